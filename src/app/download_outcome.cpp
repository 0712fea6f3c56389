#include "app/download_outcome.h"

namespace app {

const char* downloadOutcome(int code) {
    switch (code) {
        case 0:
            return "Download success";
        case 2:
            return "Error: No data";
        case 4:
            return "Error: File not found";
        case 5:
            return "Error: local data error";
        case 6:
            return "Error connecting to server";
        case 7:
            return "Error: Unable to connect to server";
        case 8:
            return "Error: File is corrupt";
        default:
            return "Error requesting file";
    }
}

}  // namespace app
