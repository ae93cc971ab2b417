// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What to tell a user whose serial port would not open: one line saying why, and what to do
// about it. The window adds it as the last line of its connect failure box; t7310-cli appends
// it to its one error line.

#include <string>
#include <vector>

// systemError: the errno of the failed open; devicePath: the device that was opened. Empty
// for a failure the doctor has nothing to add to.
std::string ConnectionAdvice(int systemError, const std::string& devicePath);

// The processes that hold the device open, as "name (PID n)", as far as this user may see.
std::vector<std::string> DeviceHolders(const std::string& devicePath);
