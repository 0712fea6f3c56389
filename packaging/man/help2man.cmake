# Writes one manual page from a program's own --help with help2man, then a gzip -9n copy for installing.
#   cmake -DHELP2MAN=... -DPROGRAM=... -DNAME=... -DVERSION=... -DSUMMARY=... -DINCLUDE=FILE.h2m
#         -DWORK=DIR -P help2man.cmake          (writes DIR/NAME.1 and DIR/NAME.1.gz)
# The program runs with a time limit, headless and with a home of its own, so that a window program that
# does not answer --help yet cannot hang the build, open a window or touch the user's files. Such a program
# gets a page made from its summary and INCLUDE alone, with a warning in the build log.
foreach(variable HELP2MAN PROGRAM NAME VERSION SUMMARY INCLUDE WORK)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "help2man.cmake: ${variable} is not set")
  endif()
endforeach()

set(home "${WORK}/${NAME}-home")
file(MAKE_DIRECTORY "${home}/runtime")
file(CHMOD "${home}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{HOME} "${home}")
set(ENV{XDG_CONFIG_HOME} "${home}/config")
set(ENV{XDG_RUNTIME_DIR} "${home}/runtime")
set(ENV{QT_QPA_PLATFORM} "offscreen")
set(ENV{LC_ALL} "C")
set(ENV{ASAN_OPTIONS} "detect_leaks=0")  # a sanitizer build: its exit report is not part of the page

execute_process(COMMAND "${PROGRAM}" --help TIMEOUT 15 RESULT_VARIABLE status OUTPUT_VARIABLE help
                ERROR_VARIABLE help)
string(STRIP "${help}" help)
if(status EQUAL 0 AND NOT help STREQUAL "")
  set(subject "${PROGRAM}")
else()
  message(WARNING "${NAME} does not answer --help (${status}): its manual page holds only its summary and "
                  "${INCLUDE}")
  set(subject "${WORK}/stand-in/${NAME}")
  file(WRITE "${subject}" "#!/bin/sh\necho 'Usage: ${NAME}'\n")
  file(CHMOD "${subject}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
endif()

execute_process(COMMAND "${HELP2MAN}" --no-info --no-discard-stderr "--version-string=${VERSION}"
                        "--name=${SUMMARY}" "--include=${INCLUDE}" "--output=${WORK}/${NAME}.1" "${subject}"
                TIMEOUT 60 RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man could not write the page of ${NAME} (${status}): ${error}")
endif()
execute_process(COMMAND gzip -9nc "${WORK}/${NAME}.1" OUTPUT_FILE "${WORK}/${NAME}.1.gz" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${WORK}/${NAME}.1 (${status})")
endif()
