#!/usr/bin/env bash
# Prints "yes" when this machine executes 32-bit x86 code, "no" when it does not. Some machines
# of our kind refuse every i386 program ("Exec format error"), and then no 32-bit Wine can run
# at all. The probe runs a real one: a 96-byte static i386 ELF that exits with 42 through the
# 32-bit system call gate. The answer is kept per boot (it cannot change without a reboot).
set -u
root=${TARNIX_CACHE:-/var/cache/tarnix}
mkdir -p "$root" 2>/dev/null
boot=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null || echo unknown)
cache="$root/runs-i386.$boot"
if [ -s "$cache" ]; then
    cat "$cache"
    exit 0
fi
probe=$(mktemp "$root/i386-probe.XXXXXX") || exit 1
# ELF header, one loadable segment at 0x08048000, then: mov ebx,42; mov eax,1; int 0x80.
printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00' \
    '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
status=$?
rm -f "$probe"
if [ "$status" = 42 ]; then answer=yes; else answer=no; fi
echo "$answer" >"$cache.$$" && mv "$cache.$$" "$cache"
echo "$answer"
