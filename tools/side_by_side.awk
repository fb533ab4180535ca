# Joins the outputs of one Windows benchmark at both widths, line by line:
#   awk -f tools/side_by_side.awk out-win32.txt out-win64.txt
# A line ending in a number (with " ms", " bytes" or no unit) becomes one row with both
# values and, for times, their ratio; any other line is a heading and is printed as it is.
function split_value(line, parts) {
    if (!match(line, /[-0-9.]+( ms| bytes)?[ \t]*$/)) return 0
    parts["label"] = substr(line, 1, RSTART - 1)
    sub(/[ \t]+$/, "", parts["label"])
    tail = substr(line, RSTART)
    sub(/[ \t]+$/, "", tail)
    parts["text"] = tail
    parts["unit"] = tail ~ / ms/ ? "ms" : tail ~ / bytes/ ? "bytes" : ""
    parts["value"] = tail + 0
    return 1
}
{ sub(/\r$/, "") }  # Windows programs end their lines with CR LF
FNR == NR { first[FNR] = $0; count = FNR; next }
{ second[FNR] = $0 }
END {
    printf "%-58s %12s %12s %9s\n", "", "32-bit", "64-bit", "32/64"
    for (i = 1; i <= count; i++) {
        if (split_value(first[i], a) && split_value(second[i], b) && a["label"] == b["label"]) {
            ratio = a["unit"] == "ms" && b["value"] > 0 ? sprintf("%9.2f", a["value"] / b["value"]) : ""
            printf "%-58s %12s %12s %s\n", a["label"], a["text"], b["text"], ratio
        } else {
            print first[i]
        }
    }
}
