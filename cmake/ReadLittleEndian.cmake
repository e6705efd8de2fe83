# read_le(HEX OFFSET BYTES OUT): the little-endian number of BYTES bytes at byte
# OFFSET of HEX, a file's text as file(READ ... HEX) gives it.
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
