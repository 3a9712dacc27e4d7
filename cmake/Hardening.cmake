# Hardened, reproducible compile and link flags for the program (the scene library and the
# robotscene executable), in the default build and so in the package:
# - Debian's own: `dpkg-buildflags` with every hardening feature (PIE, -fstack-protector-strong,
#   -D_FORTIFY_SOURCE=2, format checks, -z relro, -z now). Its -g and -O2 are left to the build
#   type, and fortification to the optimised build types, since glibc warns about it at -O0.
# - -fstack-clash-protection and -fcf-protection, which dpkg-buildflags adds only from dpkg 1.22 on.
#   Debian 12's glibc start-up files (crti.o, crtn.o, Scrt1.o) carry no IBT/SHSTK property, which
#   would drop the program's own; the linker is told to keep it (-z ibt -z shstk). Their _init and
#   _fini have no ENDBR64, so a kernel that enforced branch tracking for user programs would stop
#   there; Linux enforces none, and Debian 12's glibc switches on no shadow stack (whose rules the
#   start-up files keep).
# - The source and build directories mapped away (-ffile-prefix-map), so the program's bytes and
#   build id do not depend on where the tree or the build directory lies.
# Not for the sanitizer build (ROBOTSCENE_SANITIZE) or the fuzz targets, which keep their own
# flags, nor for the tests, tools and bench. Without dpkg-buildflags (not Debian) only the stack
# clash, control-flow and prefix-map flags are added.

if(ROBOTSCENE_SANITIZE)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

set(ROBOTSCENE_HARDENED_TARGETS scene robotscene)
set(compile_flags -fstack-clash-protection -fcf-protection -Wdate-time)
set(link_flags "")

find_program(ROBOTSCENE_DPKG_BUILDFLAGS dpkg-buildflags)
if(ROBOTSCENE_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # The reproducible features are left out: their prefix map names only the current directory.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
              ${ROBOTSCENE_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
    if(kind STREQUAL LDFLAGS)
      list(APPEND link_flags ${flags})
    else()
      list(APPEND compile_flags ${flags})
    endif()
  endforeach()
endif()
list(REMOVE_DUPLICATES compile_flags)

set(checked "")
foreach(flag ${compile_flags})
  if(flag MATCHES "^-D_FORTIFY_SOURCE")
    list(APPEND checked "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:${flag}>")
  elseif(flag MATCHES "^-[DW]")
    list(APPEND checked ${flag})
  else()
    string(MAKE_C_IDENTIFIER "ROBOTSCENE_HAS${flag}" known)
    check_cxx_compiler_flag(${flag} ${known}) # an older or other compiler may lack one
    if(${known})
      list(APPEND checked ${flag})
    endif()
    if(${known} AND flag STREQUAL "-fcf-protection")
      list(APPEND link_flags -Wl,-z,ibt -Wl,-z,shstk)
    endif()
  endif()
endforeach()

# GCC tries the last map first, and the build directory may lie inside the source tree.
list(APPEND checked -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)

check_pie_supported(LANGUAGES CXX)
foreach(target ${ROBOTSCENE_HARDENED_TARGETS})
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_options(${target} PRIVATE ${checked})
  target_link_options(${target} PRIVATE ${link_flags})
endforeach()
