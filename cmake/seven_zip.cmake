# The codec library comes from Debian's 7zip source package, built once per
# source version and target into a cache outside the build tree: 7z.dll
# for a Windows tree, 7z.so natively. The client compiles against that same
# tree's interface headers.
if(NOT WIN32)
  set(PF_7Z_ARCH native)
  set(PF_7Z_PROGRAM 7z.so)
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(PF_7Z_ARCH i686)
  set(PF_7Z_PROGRAM 7z.dll)
else()
  set(PF_7Z_ARCH x86_64)
  set(PF_7Z_PROGRAM 7z.dll)
endif()
set(PF_7Z_DIR ${CMAKE_BINARY_DIR}/7zip)
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-7zdll.sh ${PF_7Z_ARCH} ${PF_7Z_DIR} ${PF_7Z_PROGRAM}
  RESULT_VARIABLE pf_7z_result)
if(NOT pf_7z_result EQUAL 0)
  message(FATAL_ERROR "${PF_7Z_PROGRAM} could not be built (see above); run scripts/bootstrap.sh first")
endif()
set(PF_7Z_SOURCE ${PF_7Z_DIR}/src)
file(COPY ${PF_7Z_DIR}/${PF_7Z_PROGRAM} DESTINATION ${PF_BIN_DIR})
