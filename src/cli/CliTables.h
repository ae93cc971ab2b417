// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// table-make and table-fit: tank tables worked out without a gauge.

#include "CliOptions.h"

int RunTableMake(const TCliOptions& options);
int RunTableFit(const TCliOptions& options);
