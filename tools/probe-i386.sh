#!/usr/bin/env bash
# Prints "yes" when this machine executes 32-bit x86 code, "no" when its kernel refuses i386
# programs (exec fails with "Exec format error"), "emulated" when they run only through an
# emulator registered with binfmt_misc (qemu-i386), which no 32-bit Wine runs well on. Some
# machines of our kind refuse every i386 program, and then no 32-bit Wine can run at all.
# The probe runs a real one: a 112-byte static i386 ELF that reads one byte from its stdin and
# exits with 42 through the 32-bit system call gate. While it waits on that read, the program
# the kernel really runs (/proc/PID/exe) tells the probe itself from an emulator. A folder that
# cannot execute anything (mounted noexec, say) proves nothing: the next one is tried, and if
# none can, the answer is "yes" (what most machines do) with a line that says so.
# A definite answer is kept per boot (it cannot change without a reboot).
set -u
export LC_ALL=C
root=${TARNIX_CACHE:-/var/cache/tarnix}
mkdir -p "$root" 2>/dev/null
boot=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null || echo unknown)
cache="$root/runs-i386.$boot"
if [ -s "$cache" ]; then
    cat "$cache"
    exit 0
fi

# ELF header, one loadable segment at 0x08048000, then: mov eax,3; xor ebx,ebx; mov ecx,esp;
# mov edx,1; int 0x80 (read one byte); mov ebx,42; mov eax,1; int 0x80 (exit 42).
write_probe() {
    printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00' \
        '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x70\x00\x00\x00\x70\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\xb8\x03\x00\x00\x00\x31\xdb\x89\xe1\xba\x01\x00\x00\x00\xcd\x80' \
        '\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >"$1" && chmod +x "$1"
}

# probe_in FOLDER: runs the probe from a fresh file there; sets answer (yes, no or emulated) or
# leaves it empty and sets why.
probe_in() {
    local dir probe pid exe i status
    dir=$(mktemp -d "$1/i386-probe.XXXXXX" 2>/dev/null) || { why="$1: cannot create a file"; return; }
    dir=$(readlink -f "$dir")
    probe=$dir/probe
    if ! write_probe "$probe" || ! mkfifo "$dir/hold"; then
        why="$1: cannot write the probe"
        rm -rf "$dir"
        return
    fi
    "$probe" <"$dir/hold" 2>"$dir/err" &
    pid=$!
    exec 9>"$dir/hold"
    # The child is the shell until its exec succeeds; then it waits in its read.
    exe=
    for i in $(seq 1 50); do
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null)
        # Gone (a zombie has no exe either), the probe itself, or an emulator: known.
        case "$exe" in */bash | */sh) ;; *) break ;; esac
        sleep 0.1
    done
    exec 9>&-
    wait "$pid"
    status=$?
    if [ "$status" = 42 ] && [ "$exe" = "$probe" ]; then
        answer=yes
    elif [ "$status" = 42 ]; then
        answer=emulated
        echo "[probe] i386 programs run here only through ${exe:-an emulator} (binfmt_misc)" >&2
    elif grep -q 'Exec format error' "$dir/err"; then
        answer=no
    else
        why="$1: $(tail -n 1 "$dir/err" | sed 's/.*: //') (exit $status)"
    fi
    rm -rf "$dir"
}

answer=
why=
for dir in "$root" "${TMPDIR:-/tmp}" /dev/shm "${HOME:-/root}"; do
    [ -d "$dir" ] || continue
    probe_in "$dir"
    [ -n "$answer" ] && break
    echo "[probe] the i386 probe could not run from $why; trying another folder" >&2
done
if [ -z "$answer" ]; then
    echo "[probe] no folder could run the i386 probe; assuming this machine runs 32-bit code" >&2
    echo yes
    exit 0
fi
echo "$answer" >"$cache.$$" 2>/dev/null && mv "$cache.$$" "$cache"
echo "$answer"
