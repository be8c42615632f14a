# qk_add_plugin(NAME [SLIM_RUNTIME] source...): a loadable plug-in named NAME
# in <build>/plugins: NAME.dll on Windows, NAME.so on Linux. Either way it
# exports getModuleProperties and makeModule and nothing else. SLIM_RUNTIME
# links the smaller C++ runtime pieces of host_interface/SlimRuntime.cpp
# into the Windows DLL.
function(qk_add_plugin name)
  cmake_parse_arguments(ARG "SLIM_RUNTIME" "" "" ${ARGN})
  if(WIN32)
    add_library(${name} SHARED ${ARG_UNPARSED_ARGUMENTS} ${PROJECT_SOURCE_DIR}/cmake/plugin-exports.def)
    if(ARG_SLIM_RUNTIME)
      target_link_libraries(${name} PRIVATE slim_runtime)
    endif()
    # Stripped, unused sections dropped; libgcc and libstdc++ come from the
    # toolchain file's static link flags.
    target_link_options(${name} PRIVATE -s -Wl,--gc-sections)
  else()
    add_library(${name} MODULE ${ARG_UNPARSED_ARGUMENTS})
    # In the sanitized builds the sanitizer runtime comes with the
    # executable that loads the plug-in (clang links it there alone), so its
    # symbols stay undefined here.
    target_link_options(${name} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map
      $<$<NOT:$<OR:$<BOOL:${QK_FUZZ}>,$<BOOL:${QK_SANITIZE}>>>:-Wl,--no-undefined>)
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map)
  endif()
  target_link_libraries(${name} PRIVATE plugin_entry converter_module)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  qk_set_warnings(${name})
endfunction()

# The Windows plug-ins and their user README are what an install ships.
function(qk_install_plugins)
  if(WIN32)
    install(TARGETS ${ARGN} RUNTIME DESTINATION . LIBRARY DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/README-plugins.txt DESTINATION . RENAME README.txt)
  endif()
endfunction()
