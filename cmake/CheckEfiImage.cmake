# Fails the build unless IMAGE is a PE32+ EFI boot-service driver (subsystem 11)
# without static constructors (a .CRT section would never be run by firmware).
file(READ ${IMAGE} head LIMIT 4096 HEX)

function(read_le hex offset bytes out)
  set(value 0)
  math(EXPR last "${offset} + ${bytes} - 1")
  foreach(i RANGE ${last} ${offset} -1)
    math(EXPR pos "${i} * 2")
    string(SUBSTRING "${hex}" ${pos} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

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
if(NOT subsystem EQUAL 11)
  message(FATAL_ERROR "${IMAGE}: subsystem ${subsystem}, expected 11 (EFI boot-service driver)")
endif()
string(FIND "${head}" "2e435254" crt)  # ".CRT"
if(NOT crt EQUAL -1)
  message(FATAL_ERROR "${IMAGE}: has a .CRT section; static constructors are never run in firmware")
endif()
