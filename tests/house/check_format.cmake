# Fails when a source differs from what clang-format makes of it with the project's .clang-format,
# naming the files. Fix them with: clang-format -i FILE...
file(GLOB_RECURSE sources ${SOURCE_DIR}/questkit/*.cpp ${SOURCE_DIR}/questkit/*.hpp
     ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.hpp ${SOURCE_DIR}/tests/*.cpp
     ${SOURCE_DIR}/tests/*.hpp ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.hpp
     ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.hpp)
set(unformatted)
foreach(source IN LISTS sources)
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror --style=file ${source}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    list(APPEND unformatted ${name})
  endif()
endforeach()
if(unformatted)
  list(JOIN unformatted "\n  " text)
  message(FATAL_ERROR "Not formatted as .clang-format says (clang-format -i FILE):\n  ${text}")
endif()
