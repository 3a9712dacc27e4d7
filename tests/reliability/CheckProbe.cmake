# Runs the sanitizer probe in one mode and judges its exit and its report.
#   cmake -DPROBE=<path> -DMODE=<mode> -DEXPECT_FAIL=ON|OFF -DPATTERNS=<regex,regex...> -P CheckProbe.cmake
# EXPECT_FAIL ON: the probe must exit non-zero and its standard error match every pattern.
# EXPECT_FAIL OFF: it must exit 0 with no sanitizer report at all.
execute_process(COMMAND ${PROBE} ${MODE}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
message("probe ${MODE}: exit ${result}\n${err}")
if(NOT result MATCHES "^[0-9]+$")
  message(FATAL_ERROR "the ${MODE} probe could not be run: ${result}")
endif()
if(EXPECT_FAIL)
  if(result EQUAL 0)
    message(FATAL_ERROR "the ${MODE} probe exited 0: the sanitizer did not stop it")
  endif()
  string(REPLACE "," ";" patterns "${PATTERNS}")
  foreach(pattern IN LISTS patterns)
    if(NOT err MATCHES "${pattern}")
      message(FATAL_ERROR "the ${MODE} probe's report lacks /${pattern}/")
    endif()
  endforeach()
else()
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the ${MODE} probe exited ${result}")
  endif()
  if(err MATCHES "Sanitizer|runtime error")
    message(FATAL_ERROR "the ${MODE} probe got a sanitizer report")
  endif()
endif()
