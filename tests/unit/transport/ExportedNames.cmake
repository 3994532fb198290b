# Fails unless the library's dynamic symbol table defines exactly the twelve entry points.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "nm could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
foreach(line ${lines})
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
    list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected DeleteRequestFromHandle DeleteRequestFromUnitId End Init RequestAsyncRead
             RequestGetDeviceCount RequestStatusGet RequestStatusSetFeature RequestStatusWrite
             RequestWrite RequestWriteOne Debug)
list(SORT expected)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "exported: ${names}\nexpected: ${expected}")
endif()
