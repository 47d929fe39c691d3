# nrx_embed_text(<target> <namespace::name> <file>): the text of <file> as
# `extern const std::string_view name;` in that namespace, compiled into <target>, so the program
# carries the file and needs no data folder to find it at run time. Editing the file reconfigures.
function(nrx_embed_text target qualified_name file)
  string(REGEX MATCH "^(.*)::([^:]+)$" _ "${qualified_name}")
  set(NRX_EMBED_NAMESPACE ${CMAKE_MATCH_1})
  set(NRX_EMBED_NAME ${CMAKE_MATCH_2})
  file(READ ${file} NRX_EMBED_TEXT)
  # configure_file would take "@name@" in the text for a variable, and the raw string would end
  # at its own delimiter: a file holding either is refused rather than carried wrong.
  string(FIND "${NRX_EMBED_TEXT}" "@" at)
  string(FIND "${NRX_EMBED_TEXT}" ")nrx_embedded\"" closes)
  if(NOT at EQUAL -1 OR NOT closes EQUAL -1)
    message(FATAL_ERROR "${file} holds '@' or ')nrx_embedded\"', which cannot be embedded")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  set(out ${PROJECT_BINARY_DIR}/embedded/${NRX_EMBED_NAME}.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/embedded_text.cpp.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
