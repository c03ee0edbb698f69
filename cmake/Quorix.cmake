# Helpers that keep every folder's CMakeLists.txt to a few lines.

# quorix_subsystem(<name> SOURCES ... [DEPENDS ...] [SYSTEM ...])
# A static library quorix_<name>; DEPENDS names other subsystems, SYSTEM third-party targets.
set_property(GLOBAL PROPERTY QUORIX_SUBSYSTEMS "")
function(quorix_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SYSTEM" ${ARGN})
  add_library(quorix_${name} STATIC ${ARG_SOURCES})
  target_include_directories(quorix_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(quorix_${name} PUBLIC quorix_${dep})
  endforeach()
  target_link_libraries(quorix_${name} PUBLIC quorix_plugin_sdk ${ARG_SYSTEM})
  set_property(GLOBAL APPEND PROPERTY QUORIX_SUBSYSTEMS quorix_${name})
  set_property(GLOBAL APPEND PROPERTY QUORIX_SYSTEM_LIBS ${ARG_SYSTEM})
endfunction()

# libquorix.so: every subsystem linked whole. It exports the faces' C entry points and the
# engine's C++ namespace (for the quorix program); nothing of the libraries it links.
function(quorix_engine_library)
  get_property(subsystems GLOBAL PROPERTY QUORIX_SUBSYSTEMS)
  get_property(system_libs GLOBAL PROPERTY QUORIX_SYSTEM_LIBS)
  add_library(quorix SHARED)
  foreach(lib IN LISTS subsystems)
    target_sources(quorix PRIVATE $<TARGET_OBJECTS:${lib}>)
  endforeach()
  target_include_directories(quorix PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(quorix PUBLIC quorix_plugin_sdk PRIVATE ${system_libs})
  target_link_options(quorix PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/host/exports.map)
  if(NOT QUORIX_FUZZ)
    # (clang's sanitizer runtime is linked into executables only, so a fuzz build's shared
    # library keeps those symbols undefined)
    target_link_options(quorix PRIVATE -Wl,--no-undefined)
  endif()
  set_target_properties(quorix PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${QUORIX_STAGE_DIR}
    LINK_DEPENDS ${PROJECT_SOURCE_DIR}/host/exports.map)
endfunction()

# quorix_plugin(<target> OUTPUT <file name> [INSTALLED_AS <file name>] SOURCES ... [LIBS ...])
# A plug-in: a shared module that exports only its entry point (and its data slots), written
# into the stage folder under its installed name (for example "memo.kpl"). With INSTALLED_AS
# the module is built as OUTPUT in its own build folder (for example "libpulsefinder.so") and
# copied into the stage folder under the INSTALLED_AS name after every build.
function(quorix_plugin target)
  cmake_parse_arguments(ARG "" "OUTPUT;INSTALLED_AS" "SOURCES;LIBS" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE quorix_plugin_sdk ${ARG_LIBS})
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    PREFIX "" SUFFIX "" OUTPUT_NAME ${ARG_OUTPUT}
    LIBRARY_OUTPUT_DIRECTORY ${QUORIX_STAGE_DIR})
  if(ARG_INSTALLED_AS)
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}>
              ${QUORIX_STAGE_DIR}/${ARG_INSTALLED_AS}
      VERBATIM)
  endif()
endfunction()

# quorix_test(<name> SOURCES ... LIBS ...): one GoogleTest executable, its cases in ctest.
function(quorix_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    QUORIX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    QUORIX_STAGE_DIR="${QUORIX_STAGE_DIR}"
    QUORIX_BIN_DIR="${QUORIX_BIN_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
