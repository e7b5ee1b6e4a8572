# Fails when a source includes a path holding "..", which would reach another layer's files
# without its include root.
file(GLOB_RECURSE sources ${SOURCE_DIR}/questkit/*.cpp ${SOURCE_DIR}/questkit/*.hpp
     ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.hpp ${SOURCE_DIR}/server/*.cpp
     ${SOURCE_DIR}/server/*.hpp ${SOURCE_DIR}/tests/*.cpp
     ${SOURCE_DIR}/tests/*.hpp)
set(offenders)
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.")
  if(lines)
    list(APPEND offenders "${source}: ${lines}")
  endif()
endforeach()
if(offenders)
  list(JOIN offenders "\n" text)
  message(FATAL_ERROR "Includes that climb out of their include root:\n${text}")
endif()
