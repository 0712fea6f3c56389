// The messages of the window by their index in the dual-language table (catalogue::getMessage).
#pragma once

namespace app {

enum Message : int {
    kMsgConnected = 1,
    kMsgDisconnected = 2,
    kMsgConnectedToDevice = 4,
    kMsgDeviceNotConnected = 5,
    kMsgOperationFailed = 9,
    kMsgFileCreated = 11,
    kMsgErrorOpeningFile = 12,
    kMsgErrorCreatingFile = 13,
    kMsgErrorReadingFirmware = 14,
    kMsgRegistered = 15,
    kMsgAlreadyRegistered = 16,
    kMsgInvalidData = 17,
};

}  // namespace app
