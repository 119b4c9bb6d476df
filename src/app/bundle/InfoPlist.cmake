# The bundle's Info.plist, rendered from Info.plist.in: the version, the build
# number and, with a release server, its manifest URL under the key
# CorvaneFeedURL. The build includes this file; run as a script it renders the
# Info.plist of another version or server:
#   cmake -DCORVANE_VERSION=1.1 -DCORVANE_BUILD_NUMBER=59
#         -DCORVANE_RELEASE_SERVER=https://host[:port] -DCORVANE_INFO_PLIST=OUT
#         -P InfoPlist.cmake
function(corvane_write_info_plist version build server out)
  set(PROJECT_VERSION "${version}")
  set(CORVANE_BUILD_NUMBER "${build}")
  set(CORVANE_FEED_URL_ENTRY "")
  if(server)
    if(NOT server MATCHES "^https://[A-Za-z0-9.-]+(:[0-9]+)?$")
      message(FATAL_ERROR "CORVANE_RELEASE_SERVER must look like https://host[:port], "
                          "not '${server}'")
    endif()
    set(CORVANE_FEED_URL_ENTRY "\t<key>CorvaneFeedURL</key>\n\t<string>${server}/updates/display/latest.json</string>\n")
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Info.plist.in "${out}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  corvane_write_info_plist("${CORVANE_VERSION}" "${CORVANE_BUILD_NUMBER}"
                           "${CORVANE_RELEASE_SERVER}" "${CORVANE_INFO_PLIST}")
endif()
