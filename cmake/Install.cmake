# The installed layout, as a Debian package lays it out under /usr:
#   bin/quillon, bin/quillon-initdb, bin/postora-dict     the commands
#   lib/quillon/libPostora.so, lib/quillon/quillon-mdbread  the program's own, off the library path
#   share/quillon/yubin.mdb                               the postal dictionary all users share
# The program finds lib/quillon and share/quillon from its own folder (app/Locations.h); the
# build tree keeps everything in bin/ as before.

# The three commands say the project's version.
foreach(_command Quillon quillon-initdb postora-dict)
  if(TARGET ${_command})
    target_compile_definitions(${_command} PRIVATE QUILLON_VERSION="${PROJECT_VERSION}")
  endif()
endforeach()

set(_private lib/quillon)
install(PROGRAMS $<TARGET_FILE:Quillon> DESTINATION bin RENAME quillon)
install(TARGETS quillon-initdb RUNTIME DESTINATION bin)
if(TARGET postora-dict)
  install(TARGETS postora-dict RUNTIME DESTINATION bin)
endif()
install(TARGETS quillon-mdbread RUNTIME DESTINATION ${_private})
if(TARGET Postora)
  # Loaded with dlopen, never linked: a plain shared object, not executable.
  install(TARGETS Postora LIBRARY DESTINATION ${_private}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${_packaging}/jp.quillon.Quillon.desktop DESTINATION share/applications)
install(FILES ${_packaging}/jp.quillon.Quillon.metainfo.xml DESTINATION share/metainfo)
install(FILES ${_packaging}/jp.quillon.Quillon.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${_packaging}/copyright DESTINATION share/doc/quillon)
