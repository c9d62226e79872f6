// Our control scripts for host servers (tools/testenv/*.py), run from a Windows test.
#pragma once

#include <string>

#include "tests/support/sandbox.h"

namespace TestSupport {

std::string QuotedArgument(const std::string& text);

// Starts a host program by its Z: path (Wine runs it outside Windows); false when it cannot.
bool StartHostProgram(std::wstring commandLine);

// Runs tools/testenv/<script> with the arguments and "--state <state folder>", and waits until
// doneFile appears (true) or the script writes "failed" into the state folder (false, with its
// text in *error). Wine starts the host program by its Z: path but its exit code does not come
// back, so the scripts answer through files.
bool RunHostScript(const std::string& script, const std::string& arguments, const TempFolder& state,
                   const std::wstring& doneFile, unsigned timeoutMs, std::string* error);

}  // namespace TestSupport
