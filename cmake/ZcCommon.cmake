# Settings every target of the project shares. The language standard, C++20 without
# extensions, is set for every target in the top CMakeLists.txt.
add_library(zc_common INTERFACE)
target_compile_definitions(zc_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_compile_options(zc_common INTERFACE -Wall -Wextra -Wpedantic)
# Beyond -Wall -Wextra: the warnings that have caught real faults in code like ours. Left out:
# -Wconversion (hundreds of qsizetype/int changes the code makes knowingly; clang-tidy's
# narrowing check covers the ones that lose values) and -Wuseless-cast (it flags casts that
# are needed where qint64 and int64_t are different types).
target_compile_options(zc_common INTERFACE
  -Wshadow                # an inner name hiding an outer one
  -Wnon-virtual-dtor      # a polymorphic class deleted through its base
  -Woverloaded-virtual    # an overload hiding a base's virtual function
  -Wsuggest-override      # a virtual function overridden without saying so
  -Wold-style-cast        # a C cast, which may const_cast or reinterpret_cast silently
  -Wcast-qual             # a cast dropping const
  -Wformat=2              # printf-style calls with a non-literal format
  -Wimplicit-fallthrough  # a case that runs into the next without [[fallthrough]]
  -Wextra-semi            # stray semicolons
  -Wmissing-declarations  # a non-static function no header declares: belongs in an anonymous namespace
  -Wredundant-decls       # the same declaration twice in one scope
  -Wundef)                # #if on an undefined macro
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(zc_common INTERFACE
    -Wduplicated-cond      # the same condition twice in an if-else chain
    -Wduplicated-branches  # an if and an else that do the same
    -Wlogical-op)          # a logical operator where a bitwise one was meant, or always true
endif()
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
