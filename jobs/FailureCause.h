// Why a job failed, in one line a user can act on: a full disk, a place Tavoline may not write,
// or a file another program holds. Shown under the job's failure message.
#pragma once

#include "base/CString.h"
#include "base/Exception.h"

// Empty when the failure is none of those (a damaged archive and the like).
CString FailureCause(const CException* failure);
