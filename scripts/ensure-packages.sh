# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by run-keplo and run-tests; uses sudo when not root.
keplo_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-private-dev libzip-dev libdeflate-dev zlib1g-dev
  libgtest-dev libgmock-dev
  zip unzip gcc-multilib g++-multilib
  desktop-file-utils appstream shared-mime-info
)

ensure_packages() {
  local missing=()
  local p
  for p in "${keplo_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# Configures (once) and builds the tree in the given folder; extra arguments go to cmake.
build_tree() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@"
  fi
  cmake --build "$dir"
}
