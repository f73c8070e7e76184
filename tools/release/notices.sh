#!/bin/sh
# Prints the notices of what orvanel.exe links statically, from the supplying Debian packages.
set -eu
compiler=x86_64-w64-mingw32-g++-posix

cat <<'HEAD'
Third-party notices for orvanel.exe
===================================

orvanel.exe is linked statically with parts of the following, as shipped
in the Debian packages named below. Each package's copyright file follows,
as Debian distributes it.

HEAD

# Each part the program links, and the package that supplied it, looked up once.
packages=""
while IFS=: read -r file what; do
  path=$($compiler -print-file-name="$file")
  package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
  [ -n "$package" ] || { echo "no Debian package supplies $path" >&2; exit 1; }
  echo "- $what: $package $(dpkg-query -W -f='${Version}' "$package")"
  packages="$packages $package"
done <<'PARTS'
libstdc++.a:the C++ standard library (libstdc++)
libgcc.a:the GCC runtime (libgcc)
libgcc_eh.a:the GCC exception-handling runtime (libgcc_eh)
libwinpthread.a:the POSIX threads library for Windows (winpthreads)
libmingw32.a:the MinGW-w64 runtime (libmingw32)
libmingwex.a:the MinGW-w64 runtime extensions (libmingwex)
crt2.o:the MinGW-w64 program start-up code (crt2.o)
PARTS

# Packages built from one source share one copyright file: it is printed
# once, under all their names.
digests=""
for package in $(printf '%s\n' $packages | sort -u); do
  copyright=/usr/share/doc/$package/copyright
  [ -f "$copyright" ] || { echo "no copyright file for $package" >&2; exit 1; }
  digests="$digests$(sha256sum <"$copyright" | cut -d' ' -f1) $package
"
done
printf '%s' "$digests" | sort -s -k1,1 | {
  rule=================================================================
  previous=""
  flush() {
    [ -n "$previous" ] || return 0
    printf '\n\n%s\n%s\n%s\n\n' "$rule" "$names" "$rule"
    cat "/usr/share/doc/$first/copyright"
  }
  while read -r digest package; do
    entry="$package $(dpkg-query -W -f='${Version}' "$package")"
    if [ "$digest" = "$previous" ]; then
      names="$names, $entry"
      continue
    fi
    flush
    previous=$digest
    first=$package
    names=$entry
  done
  flush
}
