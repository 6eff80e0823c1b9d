# One static library per layer folder. Sources are globbed so that a new
# unit (header and source pair) needs no edit here.
function(tarnick_layer name)
  cmake_parse_arguments(L "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(_ex IN LISTS L_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "/${_ex}$")
  endforeach()
  if(NOT _src)
    message(FATAL_ERROR "layer ${name} has no sources in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# One test executable per folder under tests/, every test registered with CTest.
# LABEL groups the folders (engine, platform, gui, e2e) for `ctest -L`.
function(tarnick_test_folder name)
  cmake_parse_arguments(T "" "TIMEOUT;LABEL" "LIBS;ENV" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT _src)
    message(FATAL_ERROR "test folder ${name} has no sources")
  endif()
  set(_exe test_${name})
  add_executable(${_exe} ${_src})
  # Tests stay out of the program folder.
  set_target_properties(${_exe} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${_exe} PRIVATE ${T_LIBS} GTest::gtest tarnick_test_support)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${_exe}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABEL}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TARNICK_BIN_DIR=${TARNICK_BIN_DIR};TARNICK_SOURCE_DIR=${PROJECT_SOURCE_DIR};${T_ENV}")
endfunction()
