# Fails when the object code of any core level library (LIBS, separated by
# commas) refers to any Qt symbol.
string(REPLACE "," ";" LIBS "${LIBS}")
foreach(LIB IN LISTS LIBS)
  execute_process(COMMAND nm -C ${LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIB}")
  endif()
  string(REGEX MATCH "[^\n]*(QString|QWidget|QImage|QObject|qt_)[^\n]*" hit "${symbols}")
  if(hit)
    message(FATAL_ERROR "core library ${LIB} refers to Qt: ${hit}")
  endif()
endforeach()
message(STATUS "core libraries are free of Qt")
