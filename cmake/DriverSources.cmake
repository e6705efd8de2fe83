# The driver's sources, shared by the host library and the firmware image.
# Hardware primitives and compiler support routines for the real machine live in
# driver/platform/x64 and go into the firmware image only; the host build gets
# its primitives from the simulator's board model at link time.
file(GLOB_RECURSE SETUP_DRIVER_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/driver/core/*.cpp
  ${CMAKE_SOURCE_DIR}/driver/format/*.cpp
  ${CMAKE_SOURCE_DIR}/driver/pages/*.cpp
  ${CMAKE_SOURCE_DIR}/driver/platform/*.cpp)
list(FILTER SETUP_DRIVER_SOURCES EXCLUDE REGEX "/driver/platform/x64/")
file(GLOB SETUP_DRIVER_X64_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/driver/platform/x64/*.cpp)

# Flags that keep the driver freestanding in both builds.
set(SETUP_DRIVER_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics)

# The firmware image is compiled for size: flash is measured in bytes (efi/
# checks the image against its budget). The formatter benchmark compiles the
# formatter the same way, so that its ratios are those of the code that ships.
set(SETUP_DRIVER_IMAGE_OPTIMIZATION -Oz)

include(${CMAKE_CURRENT_LIST_DIR}/Subdirectories.cmake)
