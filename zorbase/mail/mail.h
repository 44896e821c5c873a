// Public headers of the mail subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/mail/EMailSender.h>
#include <zorbase/mail/MEmail.h>
