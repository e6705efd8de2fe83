# Fails when a simulator source includes one of the driver's own headers by any
# path (a relative one too, which the simulator's include root cannot stop): it
# may include only the standard UEFI definitions and the hardware primitives.
# cmake -DSIM_DIR=<sim folder> -P driver_includes_check.cmake
file(GLOB_RECURSE sources ${SIM_DIR}/*.h ${SIM_DIR}/*.cpp)
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${includes})
    if(line MATCHES "(core|pages|format|platform)/" AND NOT line MATCHES "\"driver/platform/hardware_access\\.h\"")
      string(APPEND found "\n  ${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "simulator sources include driver headers:${found}")
endif()
