# Installs what building and running Tarnwhistle need on a Debian machine,
# when it is missing. Sourced by scripts/test and scripts/run.

tw_sudo=""
[ "$(id -u)" -eq 0 ] || tw_sudo="sudo"

# Each "thing:package": a command on the PATH or an absolute file, and the
# Debian package that brings it.
tw_build_requirements=(
  "cmake:cmake"
  "ninja:ninja-build"
  "g++:g++"
  "python3:python3"
  "/usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake:libgtest-dev"
  "i686-w64-mingw32-g++:g++-mingw-w64-i686"
  "x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64"
  "i686-w64-mingw32-objdump:binutils-mingw-w64-i686"
  "x86_64-w64-mingw32-objdump:binutils-mingw-w64-x86-64"
)
tw_wine_requirements=(
  "/usr/bin/wine:wine"
  "/usr/lib/wine/wine64:wine64"
  "/usr/lib/wine/wine:wine32:i386"
  "Xvfb:xvfb"
  "xdotool:xdotool"
  "openbox:openbox"
  "/usr/bin/import:imagemagick"
  "/usr/bin/convert:imagemagick"
  "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf:fonts-ipafont-gothic"
  "/usr/share/i18n/locales/ja_JP:locales"
)

tw_fuzz_requirements=(
  "clang++:clang"
  "/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a:libclang-rt-14-dev"
)
tw_bench_requirements=(
  "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
)

tw_apt_updated=0
tw_apt_update() {
  if [ "$tw_apt_updated" -eq 0 ]; then
    $tw_sudo apt-get update -qq
    tw_apt_updated=1
  fi
}

# tw_install REQUIREMENT...: installs the packages of those that are missing.
tw_install() {
  local missing=() requirement thing package
  for requirement in "$@"; do
    thing=${requirement%%:*}
    package=${requirement#*:}
    if [[ $thing == /* ]]; then
      [ -e "$thing" ] && continue
    else
      command -v "$thing" >/dev/null 2>&1 && continue
    fi
    case " ${missing[*]} " in *" $package "*) ;; *) missing+=("$package") ;; esac
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "== installing: ${missing[*]} (this takes a few minutes)"
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $tw_sudo dpkg --add-architecture i386
    tw_fuzz_requirements=(
  "clang++:clang"
  "/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a:libclang-rt-14-dev"
)
tw_bench_requirements=(
  "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
)

tw_apt_updated=0
  fi
  tw_apt_update
  DEBIAN_FRONTEND=noninteractive $tw_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The Japanese locale under which Wine's ANSI code page is 932.
tw_japanese_locale() {
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "== generating the locale ja_JP.UTF-8"
    $tw_sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
}

tw_setup_build() {
  tw_install "${tw_build_requirements[@]}"
}

tw_setup_fuzz() {
  tw_install "${tw_fuzz_requirements[@]}"
}

tw_setup_bench() {
  tw_install "${tw_bench_requirements[@]}"
}

tw_setup_wine() {
  tw_install "${tw_wine_requirements[@]}"
  tw_japanese_locale
}

# Prints why this machine cannot start 32-bit programs; nothing when it can.
tw_reason_32bit() {
  python3 -c 'import sys; sys.path.insert(0, "scripts/lib"); import wine_session as w; print(w.probe_32bit() or "")'
}
