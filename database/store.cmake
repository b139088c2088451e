# The databases and the data model on them: record classes, system set-up,
# sequence, alarms, general subject, and the measurement reader. No Qt.

# The schema scripts travel inside the library, so a first start can make the
# databases wherever the program runs.
set(_kovo_schema_dir ${CMAKE_CURRENT_LIST_DIR}/schema)
set(_kovo_schema_cpp ${CMAKE_CURRENT_BINARY_DIR}/SchemaScripts.cpp)
function(_kovo_read_schema var)
  set(text "")
  foreach(file ${ARGN})
    file(READ ${_kovo_schema_dir}/${file} part)
    # Comments stay out: the driver scans the text for escapes and quotes.
    string(REGEX REPLACE "--[^\n]*" "" part "${part}")
    string(APPEND text "${part}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_kovo_schema_dir}/${file})
  endforeach()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
_kovo_read_schema(_kovo_system system.sql)
_kovo_read_schema(_kovo_meas meas.sql meas_tables.sql)
_kovo_read_schema(_kovo_cali meascali.sql meas_tables.sql)
file(WRITE ${_kovo_schema_cpp}.tmp
  "// Generated from database/schema/ by database/store.cmake.\n"
  "#include \"Schema.h\"\n\nnamespace schema {\n\n"
  "const char* System() {\n  return R\"kovo(${_kovo_system})kovo\";\n}\n\n"
  "const char* Measurement() {\n  return R\"kovo(${_kovo_meas})kovo\";\n}\n\n"
  "const char* Calibration() {\n  return R\"kovo(${_kovo_cali})kovo\";\n}\n\n"
  "}  // namespace schema\n")
file(COPY_FILE ${_kovo_schema_cpp}.tmp ${_kovo_schema_cpp} ONLY_IF_DIFFERENT)

add_library(kovo_database STATIC
  ${CMAKE_CURRENT_LIST_DIR}/COAlarm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CODBObs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COGenSub.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CORecBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COSequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COSequenceObs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/COSystemSetup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DBDoc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DBUtil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataLinks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MeasInterval.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MeasReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemRecords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TaskRecords.cpp
  ${_kovo_schema_cpp}
)
target_include_directories(kovo_database PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kovo_database PUBLIC kovo_measdata kovo_communication kovo_platform_db kovo_platform_core Common)
