// Time-outs of the report transfer; tests shorten them.
#pragma once

namespace bootloader {

struct TransferSettings {
    int inactivityWindowMs = 10000;  // the memory read fails after two such windows without traffic
    int answerTimeoutMs = 3000;      // bound on the single answer of a query or a write stream
};

TransferSettings& transferSettings();
void resetTransferSettings();

}  // namespace bootloader
