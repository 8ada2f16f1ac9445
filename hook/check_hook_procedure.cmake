# cmake -DNM=<nm> -DOBJDUMP=<objdump> -DLIBRARY=<tbhook.dll> -P check_hook_procedure.cmake
# Fails unless the hook procedure lies at offset 0x1000 from the image base,
# the same in every bitness (tbhook.cpp, cbtProc).
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE header RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT header MATCHES "ImageBase[ \t]+([0-9a-fA-F]+)")
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} gave no image base")
endif()
set(base ${CMAKE_MATCH_1})
execute_process(COMMAND ${NM} ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT symbols MATCHES "([0-9a-fA-F]+) t [^\n]*cbtProc")
  message(FATAL_ERROR "${LIBRARY} names no hook procedure")
endif()
math(EXPR offset "0x${CMAKE_MATCH_1} - 0x${base}" OUTPUT_FORMAT HEXADECIMAL)
if(NOT offset STREQUAL "0x1000")
  message(FATAL_ERROR "the hook procedure of ${LIBRARY} lies at ${offset} from the image base, not 0x1000")
endif()
