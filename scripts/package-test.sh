#!/usr/bin/env bash
# Builds the Debian package from an existing build (BUILD_DIR, default
# build), installs it with apt so that its dependencies are resolved as on a
# user's machine, and checks the installed files: every program starts, the
# libraries they need all come from packages the package depends on, the man
# pages, completion and desktop entry are in place, and the installed
# command line programs the installed sample into the installed simulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"

tools=(dpkg-dev file desktop-file-utils)
missing=()
for pkg in "${tools[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true) == "install ok installed" ]] ||
    missing+=("$pkg")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

cmake --build "$build"
rm -f "$build"/tarvo-loader_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tarvo-loader_*.deb)
echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Package Version Depends

fail() { echo "package test: $*" >&2; exit 1; }

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq tarvo-loader >/dev/null || true' EXIT

for file in /usr/bin/tarvo-cli /usr/bin/isp-sim /usr/bin/tarvo-loader \
  /usr/share/man/man1/tarvo-cli.1.gz /usr/share/man/man1/isp-sim.1.gz \
  /usr/share/man/man1/tarvo-loader.1.gz \
  /usr/share/doc/tarvo-loader/copyright /usr/share/doc/tarvo-loader/README.md \
  /usr/share/bash-completion/completions/tarvo-cli /usr/share/bash-completion/completions/isp-sim \
  /usr/share/applications/tarvo-loader.desktop \
  /usr/share/icons/hicolor/scalable/apps/tarvo-loader.svg \
  /usr/share/tarvo-loader/samples/blinky.hex; do
  [[ -e $file ]] || fail "$file is not installed"
done
desktop-file-validate /usr/share/applications/tarvo-loader.desktop

# Each library a program loads must come from a package named in Depends
# (or from one of those packages' own dependencies).
depends=$(dpkg-query -W -f='${Depends}' tarvo-loader)
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests \
  --no-conflicts --no-breaks --no-replaces --no-enhances tarvo-loader |
  grep -v '^ ' | sed 's/:.*//' | sort -u)
for program in tarvo-cli isp-sim tarvo-loader; do
  for lib in $(ldd "/usr/bin/$program" | awk '/=>/ { print $3 }'); do
    owner=$(dpkg -S "$(readlink -f "$lib")" 2>/dev/null | head -n1 | cut -d: -f1) ||
      owner=$(dpkg -S "$lib" 2>/dev/null | head -n1 | cut -d: -f1) || true
    [[ -n $owner ]] || fail "$program loads $lib, which no package owns"
    grep -qx "$owner" <<<"$closure" || fail "$program loads $lib from $owner, not in Depends: $depends"
  done
done

help=$(/usr/bin/tarvo-cli --help)
grep -q "program" <<<"$help" || fail "tarvo-cli --help lists no program command"
zcat /usr/share/man/man1/tarvo-cli.1.gz | grep -q '^\.TH TARVO-CLI' || fail "tarvo-cli.1 is no man page"
zcat /usr/share/man/man1/tarvo-loader.1.gz | grep -q '^\.TH TARVO-LOADER' ||
  fail "tarvo-loader.1 is no man page"
# The pages tell what --help does not: examples, environment, files, exit status.
cli_page=$(zcat /usr/share/man/man1/tarvo-cli.1.gz)
for section in EXAMPLES ENVIRONMENT FILES "EXIT STATUS" "SEE ALSO"; do
  grep -q "^\.SH \"\?$section\"\?\$" <<<"$cli_page" || fail "tarvo-cli.1 has no $section section"
done
for text in TARVO_PORT NO_COLOR TERM commlog.txt parts.json "tarvo-loader (1)"; do
  grep -qF "$text" <<<"$cli_page" || fail "tarvo-cli.1 does not mention $text"
done
# The module's commands with their options, not only their names.
for command in reset erase-data config-reset; do
  grep -A16 -x -F "module ${command//-/\\-}" <<<"$cli_page" | grep -qF '\-\-log' ||
    fail "tarvo-cli.1 shows no options of module $command"
done
zcat /usr/share/man/man1/tarvo-loader.1.gz | grep -qF "TarvoLoader.conf" ||
  fail "tarvo-loader.1 does not name the settings file"
zcat /usr/share/man/man1/isp-sim.1.gz | grep -q '^\.SH EXAMPLES' || fail "isp-sim.1 has no EXAMPLES"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  /usr/share/doc/tarvo-loader/copyright || fail "the copyright file is not in Debian's format"

# The README's install command, as written, works for root and through sudo.
readme_install=$(grep -o '^(cd build && cpack -G DEB) && .* apt install \./build/[^ ]*\.deb' \
  "$root/README.md") || fail "README has no install command"
install_run=${readme_install#*DEB) && }
install_run=${install_run%% ./build/*}
[[ $install_run == '$(command -v sudo) apt install' ]] ||
  fail "README's install command needs sudo: $install_run"
export DEBIAN_FRONTEND=noninteractive
eval "${install_run/apt install/apt-get install -y -qq --reinstall} \"\$deb\"" >/dev/null || fail "README's install command does not work here (as $(id -un))"
QT_QPA_PLATFORM=offscreen /usr/bin/tarvo-loader --version | grep -q "0.1" ||
  fail "tarvo-loader --version says nothing"

# A run from the installed files only.
work=$(mktemp -d /tmp/tarvo-package-XXXXXX)
/usr/bin/isp-sim --link "$work/module" --flash-out "$work/flash.bin" --once >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [[ -e $work/module ]] && break; sleep 0.1; done
(cd "$work" && /usr/bin/tarvo-cli program --port "$work/module" \
  /usr/share/tarvo-loader/samples/blinky.hex) >"$work/run.out" 2>&1 ||
  { cat "$work/run.out"; fail "the installed tarvo-cli did not program the installed simulator"; }
wait "$sim" || true
grep -q "Complete." "$work/run.out" || fail "no Complete. from the installed run"
[[ -s $work/flash.bin ]] || fail "the simulator wrote no flash"

# Completion from the installed script and programs.
bash "$root/tests/completion/completion_test.sh" /usr/share/bash-completion/completions/tarvo-cli

rm -rf "$work"
echo "Package test passed: installed $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)."
