# Install rules for files that name installed programs by absolute path. Desktop entries, file manager
# actions and service menus must: GIO (and the file managers) refuse an entry whose program is not on
# PATH, and a prefix such as ~/.local or /opt/tarnwick usually is not. The paths are decided when
# installing, so `cmake --install --prefix P` writes P's paths.
#
# In the template, @TARNWICK_INSTALL_BINDIR@ is the installed bin directory and
# @TARNWICK_MAIN_APP_EXECUTABLE@ the main application's program (the cache variable, else
# <bindir>/tarnwick).
function(tarnwick_install_configured template destination)
  cmake_parse_arguments(ARG "" "RENAME" "" ${ARGN})
  get_filename_component(source "${template}" ABSOLUTE)
  if(ARG_RENAME)
    set(name "${ARG_RENAME}")
  else()
    get_filename_component(name "${template}" NAME)
    string(REGEX REPLACE "\\.in$" "" name "${name}")
  endif()
  set(staged "${CMAKE_CURRENT_BINARY_DIR}/install-configured/${destination}/${name}")
  install(CODE "
    if(IS_ABSOLUTE \"${CMAKE_INSTALL_BINDIR}\")
      set(TARNWICK_INSTALL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
    else()
      set(TARNWICK_INSTALL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    endif()
    set(TARNWICK_MAIN_APP_EXECUTABLE \"${TARNWICK_MAIN_APP_EXECUTABLE}\")
    if(NOT TARNWICK_MAIN_APP_EXECUTABLE)
      set(TARNWICK_MAIN_APP_EXECUTABLE \"\${TARNWICK_INSTALL_BINDIR}/tarnwick\")
    endif()
    configure_file(\"${source}\" \"${staged}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\" TYPE FILE FILES \"${staged}\")
  ")
endfunction()

# After everything is in place: refresh the caches GIO and GTK read, so the scheme handlers and the
# icon work at once. A packaging install (DESTDIR set) leaves that to the package's own triggers.
function(tarnwick_install_desktop_caches)
  install(CODE "
    set(data \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
    if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
      message(STATUS \"Packaging install: the package must run update-desktop-database \${data}/applications and gtk-update-icon-cache \${data}/icons/hicolor after unpacking\")
    else()
      find_program(TARNWICK_UPDATE_DESKTOP_DATABASE update-desktop-database)
      find_program(TARNWICK_GTK_UPDATE_ICON_CACHE gtk-update-icon-cache)
      if(TARNWICK_UPDATE_DESKTOP_DATABASE)
        message(STATUS \"Refreshing \${data}/applications/mimeinfo.cache\")
        execute_process(COMMAND \"\${TARNWICK_UPDATE_DESKTOP_DATABASE}\" -q \"\${data}/applications\" RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
          message(WARNING \"update-desktop-database failed (\${rc}): tarnwick: links need it run by hand\")
        endif()
      else()
        message(WARNING \"update-desktop-database not found: run it on \${data}/applications, or tarnwick: links will not open\")
      endif()
      if(TARNWICK_GTK_UPDATE_ICON_CACHE)
        # -t: a fresh prefix has no hicolor index.theme of its own.
        execute_process(COMMAND \"\${TARNWICK_GTK_UPDATE_ICON_CACHE}\" -q -t -f \"\${data}/icons/hicolor\" RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
          message(WARNING \"gtk-update-icon-cache failed (\${rc})\")
        endif()
      endif()
    endif()
  ")
endfunction()
