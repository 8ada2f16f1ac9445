# cmake -DOBJDUMP=<objdump> -DLIBRARY=<tbhook.dll> -P check_shared_section.cmake
# Fails unless the library's section .TBHookD holds exactly 18 bytes and is
# shared and writable: the processes that map the hook agree only through it.
execute_process(COMMAND ${OBJDUMP} -h ${LIBRARY} OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -h ${LIBRARY} failed")
endif()
if(NOT headers MATCHES "\\.TBHookD +([0-9a-f]+) [^\n]*\n([^\n]*)")
  message(FATAL_ERROR "${LIBRARY} has no section .TBHookD")
endif()
set(size ${CMAKE_MATCH_1})
set(flags "${CMAKE_MATCH_2}")
if(NOT size STREQUAL "00000012")
  message(FATAL_ERROR ".TBHookD of ${LIBRARY} holds 0x${size} bytes, not 18")
endif()
if(NOT flags MATCHES "SHARED" OR NOT flags MATCHES "DATA" OR flags MATCHES "READONLY")
  message(FATAL_ERROR ".TBHookD of ${LIBRARY} is not shared writable data: ${flags}")
endif()
