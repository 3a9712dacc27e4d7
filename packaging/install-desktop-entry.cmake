# Run by `cmake --install` (and by dh_auto_install with DESTDIR): writes share/applications/robotscene.desktop
# with the launcher's absolute path, which is known only now (--prefix may differ from the
# configured prefix). It installs nothing else.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(launcher "${prefix}/games/robotscene")

# A path with a reserved character goes in quotes: inside them \ " ` $ are escaped with a
# backslash, and the value's own string escaping doubles every backslash again. A plain path stays
# bare, as tools that read Exec naively (lintian among them) expect. A literal % is written %%.
if(launcher MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
  string(REPLACE "\\" "\\\\\\\\" quoted "${launcher}")
  string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
  string(REPLACE "`" "\\\\`" quoted "${quoted}")
  string(REPLACE "$" "\\\\$" quoted "${quoted}")
  set(quoted "\"${quoted}\"")
else()
  set(quoted "${launcher}")
endif()
string(REPLACE "%" "%%" ROBOTSCENE_EXEC "${quoted}")

# The folders this creates get rwxr-xr-x whatever the umask (configure_file would take it), and a
# folder that is there already keeps its mode.
set(folder "$ENV{DESTDIR}${prefix}/share/applications")
set(created "")
set(parent "${folder}")
while(NOT IS_DIRECTORY "${parent}")
  list(APPEND created "${parent}")
  get_filename_component(parent "${parent}" DIRECTORY)
endwhile()
if(created)
  file(MAKE_DIRECTORY "${folder}")
  file(CHMOD ${created} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
endif()

set(entry "${folder}/robotscene.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/robotscene.desktop.in" "${entry}" @ONLY)
file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
