#!/bin/sh
# Writes a help2man include with a COMMANDS section that holds each command's own --help, as
# printed, so that the plotwell-tool manual page lists every option of every command the
# program knows.
#   packaging/tool-commands.sh PLOTWELL_TOOL OUTPUT
set -eu
tool=$1
output=$2
{
  echo '[COMMANDS]'
  "$tool" --help | sed -n 's/^  \([a-z][a-z0-9-]*\)  .*/\1/p' | while read -r command; do
    printf '.SS "plotwell-tool %s"\n.nf\n' "$command"
    # Escape what roff would read as its own: backslashes, minus signs, a leading dot or quote.
    "$tool" "$command" --help | sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\\&&/"
    printf '.fi\n'
  done
} > "$output.tmp"
mv "$output.tmp" "$output"
