// The name a downloaded file is offered under in a save dialog.
#pragma once

#include <string>

namespace app {

// The server's name is not trusted as a path: only its last component is kept ("../../x.txt" gives "x.txt");
// a name with nothing left ("", ".", "..", "dir/") gives "download.bin".
std::string savedFileName(const std::string& serverName);

}  // namespace app
