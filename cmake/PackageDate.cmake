# Read by cpack as it runs (CPACK_PROJECT_CONFIG_FILE): sets SOURCE_DATE_EPOCH, which CPack uses as
# the time of every file and archive member, to the last commit's time, so two builds of one
# commit give the same package, byte for byte. A SOURCE_DATE_EPOCH set by the caller wins; outside
# a git checkout the date of the newest changelog entry is taken.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  return()
endif()
execute_process(COMMAND git -C ${CPACK_ROBOTSCENE_SOURCE_DIR} log -1 --format=%ct
  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT epoch MATCHES "^[0-9]+$")
  execute_process(COMMAND dpkg-parsechangelog -l ${CPACK_ROBOTSCENE_SOURCE_DIR}/packaging/changelog
    -S Timestamp OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
