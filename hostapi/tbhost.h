/* Everything an add-in needs of its host: records, messages, services. */
#ifndef TBHOST_H
#define TBHOST_H

#include "tbrecords.h"
#include "tbmsg.h"
#include "tbsvc.h"

#endif
