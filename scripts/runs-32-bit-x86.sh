#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 programs: a tiny
# 32-bit ELF, assembled on the spot, runs and exits with 7.
set -u
command -v as >/dev/null && command -v ld >/dev/null || exit 1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $7, %%ebx\n int $0x80\n' >"$dir/exit7.s"
as --32 "$dir/exit7.s" -o "$dir/exit7.o" 2>/dev/null && ld -m elf_i386 "$dir/exit7.o" -o "$dir/exit7" 2>/dev/null || exit 1
"$dir/exit7" 2>/dev/null
[[ $? -eq 7 ]]
