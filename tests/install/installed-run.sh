#!/usr/bin/env bash
# Installs the build into a temporary root, checks that nothing installed points back into the
# build tree, and runs the installed server and host: the screen must open from there.
#   installed-run.sh CMAKE BUILD_DIR SMOKE_SCRIPT
set -euo pipefail
cmake_command=$1 build=$(cd "$2" && pwd) smoke=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

"$cmake_command" --install "$build" --prefix "$root/usr" >/dev/null
fail() { echo "installed-run: $*" >&2; exit 1; }

for program in kzr-appserver kzr-host; do
  [ -x "$root/usr/bin/$program" ] || fail "bin/$program is not installed"
done
package=$(find "$root/usr/lib" -name libPkg_kzr01200.so)
[ -n "$package" ] || fail "the screen package is not installed"
unit="$root/usr/lib/systemd/system/kzr-appserver.service"
[ -f "$unit" ] || fail "the server's systemd unit is not installed"
grep -q "^ExecStart=$root/usr/bin/kzr-appserver --listen 127.0.0.1:" "$unit" \
  || fail "the unit does not start the installed server on loopback: $(grep ExecStart "$unit")"
grep -q '^StateDirectoryMode=0700$' "$unit" && grep -q '^UMask=0077$' "$unit" \
  || fail "the unit does not keep its data private"
grep -q '^EnvironmentFile=-/etc/default/kzr-appserver$' "$unit" && ! grep -q '^ExecStart=.*--database' "$unit" \
  || fail "the unit does not take its database settings from its environment file"
[ -f "$root/usr/share/applications/kzr-host.desktop" ] || fail "the host's desktop entry is not installed"

# Installed binaries find the project's libraries beside themselves, never in the build tree.
for file in "$root"/usr/bin/* "$(dirname "$package")"/*.so; do
  runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  case "$runpath" in *"$build"*) fail "$(basename "$file") still looks into the build tree: $runpath" ;; esac
  ldd "$file" | grep -E 'libkzr|libCli_kzr' | grep -v "=> $root/" \
    && fail "$(basename "$file") loads a project library from outside the installation"
done

# The tests' doubles stay out of the product: no installed program or library carries one.
while IFS= read -r file; do
  symbols=$(nm -DC --defined-only "$file" 2>/dev/null || true)
  grep -qE 'ScriptedInteraction' <<<"$symbols" \
    && fail "$(basename "$file") carries a test double"
done < <(find "$root/usr" -type f \( -path '*/bin/*' -o -name '*.so*' \))
[ -z "$(find "$root" -name 'libkzrtest*')" ] || fail "a test library is installed"

"$smoke" "$root/usr/bin"
