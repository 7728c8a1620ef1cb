// The execute texts Corvane understands and how one is sent: the bytes of each
// text end with a single NUL that the transaction's length counts.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace kvx {

// "[RUNMACRO(" DQ command DQ ")]"; the command is taken as already escaped.
std::string MacroRunText(const std::string& EscapedCommand);
// "[SETUPGLOBAL(" DQ name DQ "," DQ "1" DQ ")]" for an integer global, "0" for a string.
std::string SetupGlobalText(const std::string& Name, bool IntegerGlobal);
// "[RESETGLOBAL(" DQ name DQ DQ ")]".
std::string ResetGlobalText(const std::string& Name);

// A data handle holding the text and its terminating NUL; 0 when none could
// be made.
HDDEDATA CreateExecuteData(const std::string& Text);
// Sends the data as an execute; the outcome is not looked at.
void SendExecute(HCONV Conversation, HDDEDATA Data);

}  // namespace kvx
