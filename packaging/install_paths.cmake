# Runs at install time (from install(CODE)): writes the files that name an
# installed path, for the prefix this install uses. Each file is listed in
# install_manifest.txt like any other.

function(norvane_full out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# Writes CONTENT to PATH under $DESTDIR, as install() would.
function(norvane_install_text path content)
  set(target "$ENV{DESTDIR}${path}")
  message(STATUS "Installing: ${target}")
  file(WRITE "${target}" "${content}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${path}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

norvane_full(bindir "${NORVANE_BINDIR}")
norvane_full(libexecdir "${NORVANE_LIBEXECDIR}")
norvane_full(datadir "${NORVANE_DATADIR}")
set(host "${libexecdir}/norvane/norvane-browser-host")
set(helper "${libexecdir}/norvane/norvane-access-helper")
set(crx "${datadir}/norvane/norvane-bridge.crx")

# Desktop entry: started by its absolute path, which the login item copies.
set(NORVANE_DESKTOP_EXEC "${bindir}/norvane")
file(READ "${NORVANE_PACKAGING_SOURCE}/norvane.desktop.in" desktop)
string(CONFIGURE "${desktop}" desktop @ONLY)
norvane_install_text("${datadir}/applications/norvane.desktop" "${desktop}")

# polkit lets the active local user run the access helper where it is installed.
file(READ "${NORVANE_PACKAGING_SOURCE}/polkit/org.norvane.access.policy" policy)
string(REGEX REPLACE "(org.freedesktop.policykit.exec.path\">)[^<]*" "\\1${helper}" policy "${policy}")
norvane_install_text("${datadir}/polkit-1/actions/org.norvane.access.policy" "${policy}")

if(NOT NORVANE_BROWSER_FILES)
  return()
endif()

file(STRINGS "${NORVANE_PACKED}/extension-id" extension_id)
file(STRINGS "${NORVANE_PACKED}/extension-version" extension_version)
foreach(browser chromium firefox)
  execute_process(COMMAND "${NORVANE_HOST_MANIFEST_TOOL}" ${browser} "${host}" ${extension_id}
                  OUTPUT_VARIABLE manifest_${browser} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "norvane-host-manifest ${browser} failed")
  endif()
endforeach()

# Where each browser looks for system-wide native-messaging hosts. The
# browsers installed in /opt read theirs from /etc/opt, where a Debian
# package may not put files: its maintainer scripts link these to the copy
# in the data folder instead.
norvane_install_text("${datadir}/norvane/native-messaging-hosts/app.norvane.bridge.json" "${manifest_chromium}")
norvane_install_text("/etc/chromium/native-messaging-hosts/app.norvane.bridge.json" "${manifest_chromium}")
if(NORVANE_BROWSER_OPT_DIRS)
  foreach(dir
      /etc/opt/chrome/native-messaging-hosts
      /etc/opt/edge/native-messaging-hosts
      /etc/opt/brave.com/brave/native-messaging-hosts
      /etc/opt/vivaldi/native-messaging-hosts)
    norvane_install_text("${dir}/app.norvane.bridge.json" "${manifest_chromium}")
  endforeach()
endif()
norvane_install_text("/usr/lib/mozilla/native-messaging-hosts/app.norvane.bridge.json" "${manifest_firefox}")

# External extensions: each Chromium-family browser offers the packed
# extension to its users on the next start (they confirm it once).
set(entry "{\n  \"external_crx\": \"${crx}\",\n  \"external_version\": \"${extension_version}\"\n}\n")
foreach(dir
    /usr/share/chromium/extensions
    /usr/share/google-chrome/extensions
    /usr/share/microsoft-edge/extensions
    /usr/share/brave/extensions
    /usr/share/vivaldi/extensions)
  norvane_install_text("${dir}/${extension_id}.json" "${entry}")
endforeach()

# Firefox's system extension folder (the application id is Firefox's own).
set(firefox_dir "/usr/share/mozilla/extensions/{ec8030f7-c20a-464f-9b0e-13a3a9e97384}")
message(STATUS "Installing: $ENV{DESTDIR}${firefox_dir}/bridge@norvane.app.xpi")
# file(INSTALL) puts DESTDIR in front by itself.
file(INSTALL "${NORVANE_PACKED}/bridge@norvane.app.xpi" DESTINATION "${firefox_dir}" MESSAGE_NEVER)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${firefox_dir}/bridge@norvane.app.xpi")
