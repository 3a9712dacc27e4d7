# Run by `cmake --install`: writes share/applications/robotscene.desktop with the launcher's
# absolute path, which is known only now (--prefix may differ from the configured prefix).
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(launcher "${prefix}/bin/robotscene")

# Exec takes a quoted argument: inside the quotes \ " ` $ are escaped with a backslash, and the
# value's own string escaping doubles every backslash again; a literal % is written %%.
string(REPLACE "\\" "\\\\\\\\" quoted "${launcher}")
string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
string(REPLACE "`" "\\\\`" quoted "${quoted}")
string(REPLACE "$" "\\\\$" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(ROBOTSCENE_EXEC "\"${quoted}\"")

set(entry "$ENV{DESTDIR}${prefix}/share/applications/robotscene.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/robotscene.desktop.in" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
