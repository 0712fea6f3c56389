# Warnings for the project's own targets: arvex_warnings(<target>)
function(arvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
                         $<IF:$<CXX_COMPILER_ID:GNU>,-Wshadow=local,-Wshadow-uncaptured-local>)
  if(ARVEX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
