#!/usr/bin/env bash
# Converts an RTF report to PDF with the office suite (headless) and checks what a reader
# would see: the number of pages and pictures, texts that must appear and texts that
# must not. Optionally writes a PNG of the first page for review.
#
#   scripts/check-report.sh [--pages N] [--images N] [--text T]... [--no-text T]...
#                           [--png FILE] [--keep-pdf FILE] REPORT.rtf
#
# Exit status: 0 all checks hold, 1 a check failed (each failure is printed), 2 bad
# use or a failed conversion, 77 the office suite or the PDF tools are not installed.
set -uo pipefail

pages= images= png= keep=
texts=() notexts=()
while [ $# -gt 1 ]; do
  case "$1" in
    --pages) pages=$2; shift 2 ;;
    --images) images=$2; shift 2 ;;
    --text) texts+=("$2"); shift 2 ;;
    --no-text) notexts+=("$2"); shift 2 ;;
    --png) png=$2; shift 2 ;;
    --keep-pdf) keep=$2; shift 2 ;;
    *) echo "check-report: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -eq 1 ] || { echo "usage: check-report.sh [options] REPORT.rtf" >&2; exit 2; }
report=$1
[ -f "$report" ] || { echo "check-report: no file $report" >&2; exit 2; }

office=$(command -v soffice || command -v libreoffice || true)
for tool in pdfinfo pdfimages pdftotext; do
  command -v "$tool" >/dev/null || { echo "check-report: $tool is not installed" >&2; exit 77; }
done
[ -n "$office" ] || { echo "check-report: the office suite (soffice) is not installed" >&2; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A profile of its own, so that conversions running side by side never share one.
cp "$report" "$work/report.rtf"
if ! "$office" --headless "-env:UserInstallation=file://$work/profile" --convert-to pdf \
     --outdir "$work" "$work/report.rtf" >"$work/convert.log" 2>&1 || [ ! -s "$work/report.pdf" ]; then
  echo "check-report: the office suite could not convert $report" >&2
  cat "$work/convert.log" >&2
  exit 2
fi
pdf=$work/report.pdf
[ -z "$keep" ] || cp "$pdf" "$keep"
# For a closer look at what the tests convert: CHECK_REPORT_KEEP=folder keeps each PDF.
[ -z "${CHECK_REPORT_KEEP:-}" ] || cp "$pdf" "$CHECK_REPORT_KEEP/$(basename "${report%.*}").pdf"

failed=0
fail() { echo "check-report: $*" >&2; failed=1; }

got_pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ -z "$pages" ] || [ "$got_pages" = "$pages" ] || fail "expected $pages page(s), found $got_pages"

got_images=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
[ -z "$images" ] || [ "$got_images" = "$images" ] || fail "expected $images picture(s), found $got_images"

pdftotext "$pdf" "$work/report.txt"
for t in "${texts[@]+"${texts[@]}"}"; do
  grep -qF -- "$t" "$work/report.txt" || fail "text not found: $t"
done
for t in "${notexts[@]+"${notexts[@]}"}"; do
  ! grep -qF -- "$t" "$work/report.txt" || fail "text found that should not be there: $t"
done

if [ -n "$png" ]; then
  pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$pdf" "${png%.png}" || fail "no PNG of the first page"
fi

[ $failed -eq 0 ] && echo "check-report: $report: $got_pages page(s), $got_images picture(s): OK"
exit $failed
