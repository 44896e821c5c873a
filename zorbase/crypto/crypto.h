// Public headers of the crypto subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/crypto/CRijndael.h>
#include <zorbase/crypto/CSHA1.h>
#include <zorbase/crypto/Encrypt.h>
#include <zorbase/crypto/rc4.h>
