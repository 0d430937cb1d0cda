# Installed layout (cmake --install, make install; DESTDIR honoured):
#   <prefix>/lib/mediaconv/   the executables with the files they find
#                             beside themselves (edition file, sounds and
#                             skins, images, icons)
#   <prefix>/bin/mediaconv, mediaconv-cli    relative links into it; the
#                             programs find their folder through their real
#                             path, so the links work
#   <prefix>/share/applications/mediaconv.desktop, hicolor icons
set(MEDIACONV_INSTALL_DIR lib/mediaconv)

foreach(program mediaconv mediaconv-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${MEDIACONV_INSTALL_DIR})
    install(CODE "
      set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\")
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
      file(REMOVE \"\${link}\")
      message(STATUS \"Installing: \${link} -> ../${MEDIACONV_INSTALL_DIR}/${program}\")
      file(CREATE_LINK \"../${MEDIACONV_INSTALL_DIR}/${program}\" \"\${link}\" SYMBOLIC)")
  endif()
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/ DESTINATION ${MEDIACONV_INSTALL_DIR}
  PATTERN generator EXCLUDE PATTERN desktop EXCLUDE PATTERN README.md EXCLUDE PATTERN .keep EXCLUDE)
foreach(generated sounds images icons)
  install(DIRECTORY ${MEDIACONV_BIN_DIR}/${generated} DESTINATION ${MEDIACONV_INSTALL_DIR} OPTIONAL)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/mediaconv.desktop DESTINATION share/applications)
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/icons/hicolor DESTINATION share/icons OPTIONAL)

# The terminal front end's manual page and bash completion.
if(TARGET mediaconv-cli)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/mediaconv-cli.1 DESTINATION share/man/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/completion/mediaconv-cli
          DESTINATION share/bash-completion/completions)
endif()
