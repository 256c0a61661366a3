# Installation and the Debian package: the three programs, man pages made
# from the programs' own --help, bash completion, the window's desktop entry
# and icon, and the sample firmware for a first simulated run.
include(GNUInstallDirs)

install(TARGETS tarvo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET isp-sim)
  install(TARGETS isp-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tarvo-loader)
  install(TARGETS tarvo-loader RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvo-loader.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tarvo-loader.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(UNIX)
  set(tarvo_completions ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/completion/tarvo-cli DESTINATION ${tarvo_completions})
  # bash-completion finds a completion by the command's name.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/completion/tarvo-cli DESTINATION ${tarvo_completions}
          RENAME isp-sim)
  install(FILES ${PROJECT_SOURCE_DIR}/samples/blinky.hex
          DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvo-loader/samples)
  # The package's name, not the project's (CMAKE_INSTALL_DOCDIR ends in TarvoLoader).
  set(tarvo_docs ${CMAKE_INSTALL_DATADIR}/doc/tarvo-loader)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${tarvo_docs})
  install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${tarvo_docs}
          RENAME README.isp-sim.md)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${tarvo_docs})
endif()

# Man pages, generated after the programs are built (they run to print their
# help, so not in a cross build).
find_program(TARVO_HELP2MAN help2man)
if(TARVO_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  set(tarvo_man_pages)
  # Each page gets EXAMPLES, ENVIRONMENT, FILES and EXIT STATUS from packaging/man.
  function(tarvo_man_page target description help_option)
    set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
    set(include ${PROJECT_SOURCE_DIR}/packaging/man/${target}.h2m)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${TARVO_HELP2MAN} --no-info --no-discard-stderr --help-option=${help_option}
              --version-string=${PROJECT_VERSION} --name=${description}
              --include=${include} --output=${page} $<TARGET_FILE:${target}>
      COMMAND gzip -9 -n -f ${page}
      DEPENDS ${target} ${include}
      COMMENT "Man page ${target}.1"
      VERBATIM)
    set(tarvo_man_pages ${tarvo_man_pages} ${page}.gz PARENT_SCOPE)
  endfunction()
  tarvo_man_page(tarvo-cli "program the flash of an NXP LPC module over its serial ISP boot loader"
                 --help-all)
  if(TARGET isp-sim)
    tarvo_man_page(isp-sim "a simulated NXP LPC part and its ISP boot loader on a pseudo-terminal"
                   --help)
  endif()
  if(TARGET tarvo-loader)
    # The window's page is written by hand: the window prints no help worth a page.
    set(page ${PROJECT_BINARY_DIR}/man/tarvo-loader.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/man/tarvo-loader.1 > ${page}
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/tarvo-loader.1
      COMMENT "Man page tarvo-loader.1")
    list(APPEND tarvo_man_pages ${page})
  endif()
  add_custom_target(man-pages ALL DEPENDS ${tarvo_man_pages})
  install(FILES ${tarvo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(NOT CMAKE_CROSSCOMPILING)
  message(STATUS "help2man not found: no man pages")
endif()

set(CPACK_PACKAGE_NAME tarvo-loader)
set(CPACK_PACKAGE_VENDOR "Halvery")
set(CPACK_PACKAGE_CONTACT "Tarvo Loader developers <tarvo-loader@halvery.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Programs the flash of NXP LPC modules over their serial ISP boot loader")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvo Loader writes firmware from Intel HEX or binary files into the on-chip flash of NXP LPC (Cortex-M) microcontrollers through their serial in-system-programming boot loader: an operator window (tarvo-loader), a command line for automation and production lines (tarvo-cli) and a simulated part for trying both without hardware (isp-sim).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
