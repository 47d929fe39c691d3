# nrx_embed_text(<target> <namespace::name> <file>): the text of <file> as
# `extern const std::string_view name;` in that namespace, compiled into <target>, so the program
# carries the file and needs no data folder to find it at run time. Editing the file reconfigures.
function(nrx_embed_text target qualified_name file)
  string(REGEX MATCH "^(.*)::([^:]+)$" _ "${qualified_name}")
  set(NRX_EMBED_NAMESPACE ${CMAKE_MATCH_1})
  set(NRX_EMBED_NAME ${CMAKE_MATCH_2})
  file(READ ${file} NRX_EMBED_TEXT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  set(out ${PROJECT_BINARY_DIR}/embedded/${NRX_EMBED_NAME}.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/embedded_text.cpp.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
