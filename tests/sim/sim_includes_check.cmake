# Fails when a simulator source includes one of the driver's own headers by any
# path (a relative one too, which the simulator's include root cannot stop): it
# may include only the standard UEFI definitions and the hardware primitives.
# Fails too when the simulator reaches into the firmware side, efi/: by an include
# of one of its headers (by path or by bare name) or by a build file that names it.
# The setup forms it shares with the firmware live in forms/.
# cmake -DSIM_DIR=<sim folder> -DEFI_DIR=<efi folder> -P sim_includes_check.cmake
cmake_policy(SET CMP0057 NEW)
file(GLOB_RECURSE sources ${SIM_DIR}/*.h ${SIM_DIR}/*.cpp)
file(GLOB_RECURSE efi_headers RELATIVE ${EFI_DIR} ${EFI_DIR}/*.h)
set(efi_names "")
foreach(header ${efi_headers})
  get_filename_component(name ${header} NAME)
  list(APPEND efi_names ${name})
endforeach()
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${includes})
    string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*)[\">].*$" "\\1" included "${line}")
    get_filename_component(included_name "${included}" NAME)
    if(line MATCHES "(core|pages|format|platform)/" AND NOT line MATCHES "\"driver/platform/hardware_access\\.h\"")
      string(APPEND found "\n  ${source}: ${line} (a driver header)")
    elseif(included MATCHES "(^|/)efi/" OR included_name IN_LIST efi_names)
      string(APPEND found "\n  ${source}: ${line} (a header of efi/)")
    endif()
  endforeach()
endforeach()
file(GLOB_RECURSE build_files ${SIM_DIR}/CMakeLists.txt ${SIM_DIR}/*.cmake)
foreach(build_file ${build_files})
  file(STRINGS ${build_file} lines REGEX "(^|[/ \"{}])efi/")
  foreach(line ${lines})
    string(APPEND found "\n  ${build_file}: ${line} (names efi/)")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "the simulator reaches into the driver or the firmware side:${found}")
endif()
