// Time-outs of the report transfer, one set per session; tests shorten them.
#pragma once

namespace bootloader {

struct TransferSettings {
    int inactivityWindowMs = 10000;  // the memory read fails after two such windows without traffic
    int answerTimeoutMs = 3000;      // bound on the single answer of a query
    // Bound on the answer that follows the erase frames of programming: the box answers once its flash
    // is erased, which takes seconds on a full-size part.
    int eraseAnswerTimeoutMs = 30000;
};

}  // namespace bootloader
