// The line that reports how a GETFILE download ended, shared by the window and arvex-cli.
#pragma once

namespace app {

// "Download success" for 0, otherwise the error line for the request's result code.
const char* downloadOutcome(int code);

}  // namespace app
