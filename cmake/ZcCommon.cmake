# Settings every target of the project shares. The language standard, C++20 without
# extensions, is set for every target in the top CMakeLists.txt.
add_library(zc_common INTERFACE)
target_compile_definitions(zc_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_compile_options(zc_common INTERFACE -Wall -Wextra -Wpedantic)
if(ZC_WERROR)
  target_compile_options(zc_common INTERFACE -Werror)
endif()
target_include_directories(zc_common INTERFACE
  ${PROJECT_SOURCE_DIR}
  ${PROJECT_BINARY_DIR}/generated)

configure_file(${PROJECT_SOURCE_DIR}/cmake/siteconfig.h.in
               ${PROJECT_BINARY_DIR}/generated/siteconfig.h @ONLY)

# zc_add_library(name SOURCES ... LIBS ...): one static library with
# moc where it needs it.
function(zc_add_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(${name} PUBLIC zc_common ${A_LIBS})
endfunction()
