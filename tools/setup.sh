# Shared set-up for run.sh and test.sh: make sure the Debian packages the
# build needs are installed. Sourced, not run.

# The interface is Japanese: a Japanese font is part of what the program needs.
# dbus gives the tests a private bus for a stand-in screen-colour portal;
# desktop-file-utils, appstream and shared-mime-info check the installed
# launcher entry, metainfo and file type. qt6-wayland lets the program run
# natively on Wayland; weston, and mutter with xwayland (xdotool driving the
# pointer there), are the real compositors the window tests start it in.
# libpng-dev writes the full-size picture of the recoloured artwork;
# libhwy-dev carries the vector kernels. libzip-dev and libpugixml-dev open
# Krita and OpenRaster artwork (the zip container and its layer tree). qt6-l10n-tools compiles the English
# catalogue (lrelease) and checks it against the sources (lupdate);
# qt6-translations-l10n gives Qt's own dialogs and buttons in Japanese.
# The Debian package: dpkg-dev's dpkg-shlibdeps finds its library
# dependencies, with file telling cpack which files are programs; lintian
# checks the package and man-db its manual page.
TINTLOOM_PACKAGES=(cmake g++ make qt6-base-dev libgl1-mesa-dev libgtest-dev libbenchmark-dev libhwy-dev fonts-ipafont-gothic
                   qt6-l10n-tools qt6-translations-l10n
                   dbus desktop-file-utils appstream shared-mime-info libpng-dev libzip-dev libpugixml-dev
                   qt6-wayland weston mutter xwayland xdotool
                   dpkg-dev file lintian man-db)

ensure_packages() {
  local missing=()
  local p
  for p in "${TINTLOOM_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    echo "Tintloom needs these packages. Run this once, then try again:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
}
