# The Linux program folder (bin/): besides what this tree builds (the
# native packforge-cli, libclient7z.so, 7z.so), the Windows files every
# package carries, copied from the shipped 32-bit program, so the folder is
# laid out as the Windows one is.
if(NOT PF_WINDOWS_PROGRAM_DIR)
  message(FATAL_ERROR "PF_LINUX_PROGRAM needs PF_WINDOWS_PROGRAM_DIR (the i686 tree's bin/)")
endif()
set(pf_windows_files SelfExtractor.exe Client7z.dll 7z.dll ZPK_ICON.ico)
set(pf_copied)
foreach(name IN LISTS pf_windows_files)
  add_custom_command(OUTPUT ${PF_BIN_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${PF_WINDOWS_PROGRAM_DIR}/${name} ${PF_BIN_DIR}/${name}
    DEPENDS ${PF_WINDOWS_PROGRAM_DIR}/${name}
    COMMENT "Copying the Windows ${name} into the Linux program folder")
  list(APPEND pf_copied ${PF_BIN_DIR}/${name})
endforeach()
add_custom_target(pf_windows_files ALL DEPENDS ${pf_copied})

install(PROGRAMS ${PF_BIN_DIR}/packforge-cli DESTINATION lib/packforge)
install(FILES ${PF_BIN_DIR}/libclient7z.so ${PF_BIN_DIR}/7z.so ${pf_copied}
  DESTINATION lib/packforge)
# The command on PATH is a link: the program finds its folder through the
# link's target.
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../lib/packforge/packforge-cli
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/packforge-cli\" SYMBOLIC)")
