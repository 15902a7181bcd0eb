# zc_add_test(name SOURCES ... LIBS ... [ENV ...]): one QtTest executable,
# run headless by CTest.
set(ZC_TEST_ENV
  QT_QPA_PLATFORM=offscreen
  QTWEBENGINE_DISABLE_SANDBOX=1
  "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-sandbox --disable-background-networking"
  QT_LOGGING_RULES=qt.webenginecontext.debug=false
  # Test programs run from tests/, not beside the recognition models in bin/.
  ZC_MODEL_DIR=${ZC_MODEL_DIR})

function(zc_add_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE zc_common Qt6::Test ${A_LIBS})
  target_compile_definitions(${name} PRIVATE
    ZC_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ZC_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ZC_TEST_ENV};${A_ENV}" TIMEOUT ${A_TIMEOUT})
endfunction()
