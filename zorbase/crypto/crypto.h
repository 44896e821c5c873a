// Public headers of the crypto subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/crypto/COXCRCTableList.h>
#include <zorbase/crypto/COXCheckBase.h>
#include <zorbase/crypto/COXCheckSum.h>
#include <zorbase/crypto/CRijndael.h>
#include <zorbase/crypto/CSHA1.h>
#include <zorbase/crypto/Encrypt.h>
#include <zorbase/crypto/rc4.h>
