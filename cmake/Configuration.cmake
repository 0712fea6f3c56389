# Build-time configuration shared by the updater, the simulated box and the stand-in server.
set(ARVEX_SUPPORT_HOST "support.arvex.example" CACHE STRING "Host name of the support server")
set(ARVEX_SUPPORT_PORT 80 CACHE STRING "TCP port of the support server")
set(ARVEX_FORUM_URL "https://forum.arvex.example/" CACHE STRING "Support forum shown in the welcome banner")
# Bootloader keys: 16 bytes each, as 32 hex digits.
set(ARVEX_IDENTITY_KEY "5A1C93E07B2D48F6A9013CE7D45B8F26" CACHE STRING "AES-128 key of the box's identity blocks")
set(ARVEX_SECONDARY_KEY "C3E8117A09D6F24B5E90AB3317C6D28E" CACHE STRING "Second bootloader key (stored, unused)")
# Envelope masks: one 16-bit and eight 32-bit constants, all different.
set(ARVEX_MASK_LENGTH "0x5A3C" CACHE STRING "")
set(ARVEX_MASK_SIZE "0x3E1F9A47" CACHE STRING "")
set(ARVEX_MASK_CRC "0x71C4D2B8" CACHE STRING "")
set(ARVEX_MASK_KEY0 "0x1B8E6F03" CACHE STRING "")
set(ARVEX_MASK_KEY1 "0xA45D2C91" CACHE STRING "")
set(ARVEX_MASK_KEY2 "0x6C07B3E5" CACHE STRING "")
set(ARVEX_MASK_KEY3 "0xD29A418F" CACHE STRING "")
set(ARVEX_MASK_KEY4 "0x38F5E06A" CACHE STRING "")
set(ARVEX_MASK_KEY5 "0x9E63172D" CACHE STRING "")

# A build that keeps any of the example secrets or the example host says so at start.
set(ARVEX_EXAMPLE_SETTINGS_STRING "support.arvex.example;5A1C93E07B2D48F6A9013CE7D45B8F26;C3E8117A09D6F24B5E90AB3317C6D28E;0x5A3C;0x3E1F9A47;0x71C4D2B8;0x1B8E6F03;0xA45D2C91;0x6C07B3E5;0xD29A418F;0x38F5E06A;0x9E63172D")
set(ARVEX_EXAMPLE_KEYS false)
foreach(setting ARVEX_SUPPORT_HOST ARVEX_IDENTITY_KEY ARVEX_SECONDARY_KEY ARVEX_MASK_LENGTH ARVEX_MASK_SIZE
        ARVEX_MASK_CRC ARVEX_MASK_KEY0 ARVEX_MASK_KEY1 ARVEX_MASK_KEY2 ARVEX_MASK_KEY3 ARVEX_MASK_KEY4 ARVEX_MASK_KEY5)
  if("${${setting}}" IN_LIST ARVEX_EXAMPLE_SETTINGS_STRING)
    set(ARVEX_EXAMPLE_KEYS true)
  endif()
endforeach()

foreach(key ARVEX_IDENTITY_KEY ARVEX_SECONDARY_KEY)
  if(NOT ${key} MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "${key} must be 32 hex digits")
  endif()
  string(LENGTH "${${key}}" len)
  if(NOT len EQUAL 32)
    message(FATAL_ERROR "${key} must be 32 hex digits")
  endif()
  string(REGEX REPLACE "([0-9A-Fa-f][0-9A-Fa-f])" "0x\\1, " ${key}_BYTES "${${key}}")
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/arvex_config.h.in ${CMAKE_BINARY_DIR}/generated/arvex/config.h @ONLY)
add_library(arvex_config INTERFACE)
target_include_directories(arvex_config INTERFACE ${CMAKE_BINARY_DIR}/generated)
