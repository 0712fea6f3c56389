# Whole-build sanitizer switch, so that libraries and tests are instrumented alike.
if(ARVEX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(ARVEX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT ARVEX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ARVEX_SANITIZE must be empty, 'address' or 'thread'")
endif()

# The fuzzing tree: every library gets the fuzzer's coverage hooks; the targets in fuzz/ add the driver.
if(ARVEX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ARVEX_FUZZ needs clang (scripts/fuzz configures it)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
