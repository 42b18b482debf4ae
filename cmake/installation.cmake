# SPDX-License-Identifier: GPL-2.0-or-later
# Installation (cmake --install) and the Debian package (cpack, scripts/paquet).
#
# Programs, help pages, man pages, desktop entry and icon go under CMAKE_INSTALL_PREFIX; the
# catalogue and the default settings always go to /etc/korval-1.2/ (the programs' fixed
# directory), below DESTDIR when it is set.
include(GNUInstallDirs)

option(KORVAL_SETUID "Install korval and korval-cli set-UID root (direct port access)" OFF)

set(KORVAL_CONF_INSTALLEE /etc/korval-1.2)
set(KORVAL_AIDE_DESTINATION ${CMAKE_INSTALL_DATADIR}/korval/aide)
# The help button finds the installed pages from the program's own directory, so that the same
# build serves cmake --install, a DESTDIR staging tree and the package (prefix /usr).
file(RELATIVE_PATH KORVAL_AIDE_INSTALLEE ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${KORVAL_AIDE_DESTINATION})
foreach(cible korval_ui tests_ui)
  if(TARGET ${cible})
    target_compile_definitions(${cible} PRIVATE KORVAL_AIDE_INSTALLEE="${KORVAL_AIDE_INSTALLEE}")
  endif()
endforeach()

# Programs.
set(korval_programmes)
foreach(cible korval korval-cli)
  if(TARGET ${cible})
    list(APPEND korval_programmes ${cible})
  endif()
endforeach()
set(korval_droits OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
if(KORVAL_SETUID)
  list(APPEND korval_droits SETUID)
endif()
if(KORVAL_SETUID AND korval_programmes)
  # Set-UID is only safe when root owns the file. A package gets root ownership from its
  # archive; a direct installation must be done by root, checked before anything is copied.
  install(CODE [==[
if("$ENV{DESTDIR}" STREQUAL "")
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT uid STREQUAL "0")
    message(FATAL_ERROR "KORVAL_SETUID : l'installation doit être faite par root")
  endif()
endif()
]==])
endif()
if(korval_programmes)
  install(TARGETS ${korval_programmes} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          PERMISSIONS ${korval_droits})
endif()
if(KORVAL_SETUID AND korval_programmes)
  string(CONFIGURE [==[
if("$ENV{DESTDIR}" STREQUAL "")
  foreach(programme @korval_programmes@)
    set(chemin "${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_BINDIR@/${programme}")
    execute_process(COMMAND chown root:root "${chemin}" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND chmod 4755 "${chemin}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()
]==] korval_code_setuid @ONLY)
  install(CODE "${korval_code_setuid}")
endif()

# Catalogue and default settings. A catalogue edited by hand is kept as conf_PICS.ancien before
# the shipped one replaces it; a settings file already there belongs to the user and is never
# replaced.
string(CONFIGURE [==[
set(rep "$ENV{DESTDIR}@KORVAL_CONF_INSTALLEE@")
if(EXISTS "${rep}/conf_PICS")
  file(SHA256 "${rep}/conf_PICS" ancien)
  file(SHA256 "@PROJECT_SOURCE_DIR@/data/conf_PICS" nouveau)
  if(NOT ancien STREQUAL nouveau)
    file(COPY_FILE "${rep}/conf_PICS" "${rep}/conf_PICS.ancien")
    message(STATUS "Catalogue précédent gardé : ${rep}/conf_PICS.ancien")
  endif()
endif()
file(INSTALL DESTINATION "@KORVAL_CONF_INSTALLEE@" TYPE FILE
     FILES "@PROJECT_SOURCE_DIR@/data/conf_PICS")
if(EXISTS "${rep}/conf_port")
  message(STATUS "Réglages gardés : ${rep}/conf_port")
else()
  file(INSTALL DESTINATION "@KORVAL_CONF_INSTALLEE@" TYPE FILE
       FILES "@PROJECT_SOURCE_DIR@/data/conf_port")
endif()
]==] korval_code_conf @ONLY)
install(CODE "${korval_code_conf}")

# Access to the FTDI USB adapters without root.
install(FILES packaging/60-korval.rules DESTINATION lib/udev/rules.d)

# Bash completion of korval-cli, where bash-completion looks for it.
install(FILES packaging/completion/korval-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Help pages, opened by the help button when the start directory has no aide/.
install(DIRECTORY aide/ DESTINATION ${KORVAL_AIDE_DESTINATION})

# Man pages (French), compressed as Debian wants them: gzip -9n keeps no name nor time stamp.
# The packaging documents (copyright, changelog) follow Debian's layout as well.
find_program(KORVAL_GZIP gzip REQUIRED)
file(GLOB korval_manuels CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.1)
set(korval_comprimes)
foreach(source ${korval_manuels} ${PROJECT_SOURCE_DIR}/packaging/changelog)
  get_filename_component(nom ${source} NAME)
  set(gz ${PROJECT_BINARY_DIR}/paquet/${nom}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/paquet
    COMMAND ${KORVAL_GZIP} -9nc ${source} > ${gz}
    DEPENDS ${source}
    COMMENT "gzip ${nom}")
  list(APPEND korval_comprimes ${gz})
  if(source MATCHES "\\.1$")
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
add_custom_target(korval_comprimes ALL DEPENDS ${korval_comprimes})
install(FILES ${PROJECT_BINARY_DIR}/paquet/changelog.gz packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korval)
# Lintian overrides, each explained in its file; the set-UID build adds its own.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/lintian/korval
             packaging/lintian/korval-setuid)
file(READ packaging/lintian/korval korval_lintian)
if(KORVAL_SETUID)
  file(READ packaging/lintian/korval-setuid korval_lintian_setuid)
  string(APPEND korval_lintian "${korval_lintian_setuid}")
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/paquet/lintian/korval CONTENT "${korval_lintian}"
     @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/paquet/lintian/korval
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

# Desktop menus. Installed set-UID, the program reaches the port directly; otherwise the menu
# entry goes through ppdev, which needs only the lp group.
if(KORVAL_SETUID)
  set(KORVAL_MENU_OPTIONS "")
else()
  set(KORVAL_MENU_OPTIONS " --ppdev /dev/parport0")
endif()
configure_file(packaging/korval.desktop.in ${PROJECT_BINARY_DIR}/paquet/korval.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/paquet/korval.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/korval.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "KORVAL <dev@korval.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "programmateur de PIC et d'EEPROM série sur le port parallèle")
# Extended description: CPack puts the summary first, indents each line and turns empty lines
# into paragraph breaks.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[KORVAL lit, écrit, efface et compare les microcontrôleurs PIC de Microchip
(PIC12C5xx, PIC16C6x/7x/8x, PIC16F8x, PIC16F62x, PIC16F87x...) et les petites
EEPROM série I2C (24xx), Microwire (93xx) et SPI (25xx), avec un programmateur
simple branché sur le port parallèle du PC (montages KORVAL, P16Pro ou câblage
libre). Il lit et écrit les fichiers Intel HEX.

Le paquet contient le programme graphique korval (GTK 3, en français), le
programme en ligne de commande korval-cli, le catalogue des composants et les
réglages du programmateur (/etc/korval-1.2/), l'aide en HTML et les pages de
manuel. Un programmateur simulé permet de tout essayer sans matériel. Le port
est atteint par ppdev (groupe lp) ou, pour root, directement.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends: every library that the programs link, found by dpkg-shlibdeps (libgtk-3-0 among
# them).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gputils, gtkwave")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
