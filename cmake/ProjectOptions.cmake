# Warnings, sanitizers and the helpers every folder uses to declare its targets.

function(nc_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

if(NC_SANITIZER STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(NC_SANITIZER STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT NC_SANITIZER STREQUAL "")
  message(FATAL_ERROR "NC_SANITIZER must be '', 'address' or 'thread'")
endif()

# nc_add_library(NAME name SOURCES ... DEPS ...): a static core library with alias nc::name.
function(nc_add_library)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS" ${ARGN})
  add_library(nc_${ARG_NAME} STATIC ${ARG_SOURCES})
  add_library(nc::${ARG_NAME} ALIAS nc_${ARG_NAME})
  target_include_directories(nc_${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(nc_${ARG_NAME} PUBLIC ${ARG_DEPS})
  nc_set_warnings(nc_${ARG_NAME})
endfunction()

# nc_add_test(NAME name SOURCES ... DEPS ... [LABELS ...]): a GoogleTest executable registered with CTest.
function(nc_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  nc_set_warnings(${ARG_NAME})
  include(GoogleTest)
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
