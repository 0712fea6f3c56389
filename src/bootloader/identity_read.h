// The identity read: the blocks of the information area decoded into a target's identity record.
#pragma once

#include <cstdint>

#include "bootloader/identity_decoder.h"
#include "bootloader/session.h"

namespace bootloader {

// Decodes one decrypted information block into the scratch and identity record of a target.
void applyIdentityBlock(std::uint32_t address, const IdentityBlock& plain, IdentityScratch& scratch,
                        BootLoaderField& field);

}  // namespace bootloader
