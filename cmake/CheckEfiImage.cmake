# Fails the build unless IMAGE is a PE32+ EFI image of the expected SUBSYSTEM
# (default 11, a boot-service driver; 10 is an application) that firmware can
# load anywhere (its base relocations are kept, since firmware seldom loads an
# image at its preferred base) and has no static constructors (a .CRT section
# would never be run by firmware).
if(NOT DEFINED SUBSYSTEM)
  set(SUBSYSTEM 11)
endif()
file(READ ${IMAGE} head LIMIT 4096 HEX)

include(${CMAKE_CURRENT_LIST_DIR}/ReadLittleEndian.cmake)

read_le("${head}" 60 4 pe)
read_le("${head}" ${pe} 4 signature)
if(NOT signature EQUAL 17744)  # "PE\0\0"
  message(FATAL_ERROR "${IMAGE}: no PE signature")
endif()
math(EXPR optional "${pe} + 24")
read_le("${head}" ${optional} 2 magic)
if(NOT magic EQUAL 523)  # 0x20B
  message(FATAL_ERROR "${IMAGE}: not PE32+ (optional header magic ${magic})")
endif()
math(EXPR subsystem_at "${optional} + 68")
read_le("${head}" ${subsystem_at} 2 subsystem)
if(NOT subsystem EQUAL SUBSYSTEM)
  message(FATAL_ERROR "${IMAGE}: subsystem ${subsystem}, expected ${SUBSYSTEM}")
endif()
string(FIND "${head}" "2e435254" crt)  # ".CRT"
if(NOT crt EQUAL -1)
  message(FATAL_ERROR "${IMAGE}: has a .CRT section; static constructors are never run in firmware")
endif()
# COFF characteristics bit 0 (IMAGE_FILE_RELOCS_STRIPPED): set when the linker
# dropped the base relocations, so every absolute address would be wrong at any
# other base. Without it each absolute address has its entry in .reloc (an image
# with no absolute addresses needs no .reloc at all).
math(EXPR characteristics_at "${pe} + 22")
read_le("${head}" ${characteristics_at} 2 characteristics)
math(EXPR stripped "${characteristics} & 1")
if(stripped)
  message(FATAL_ERROR "${IMAGE}: base relocations stripped; firmware could load it only at its preferred base")
endif()
