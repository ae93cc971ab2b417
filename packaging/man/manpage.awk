# SPDX-License-Identifier: GPL-3.0-or-later
# Turns a manual page source (*.txt beside this script) into roff for man(1).
#
#   t7310-cli 1 one-line summary     first line: name, section, summary (the NAME section)
#   # HEADING                        a section; "## Heading" a subsection
#   TERM :: text                     one option, command, exit status or file; in TERM, words
#                                    in capitals (PATH, FILE.TLS) are placeholders (italic),
#                                    the others are typed as shown (bold)
#   text                             a paragraph; a blank line ends it
#     two spaces first               a line shown as typed (examples); in SYNOPSIS, a command
#                                    line formatted like a TERM
#
# Run as: awk -v version=1.0.0.1 -f manpage.awk SOURCE > PAGE

function escape(text) {
    gsub(/\\/, "\\e", text)
    return text
}

# A hyphen that begins an option, or sits in a path or command name, is typed, so it is
# marked as the minus sign that copies as "-"; hyphens in running words stay hyphens.
function minus(text,    out, n, i, words) {
    n = split(text, words, " ")
    out = ""
    for (i = 1; i <= n; i++) {
        if (words[i] ~ /^[("]?[-~\/]/ || words[i] ~ /^[("]?t7310-/)
            gsub(/-/, "\\-", words[i])
        out = out (i > 1 ? " " : "") words[i]
    }
    return out
}

function line_start(text) {
    return text ~ /^[.']/ ? "\\&" text : text
}

function term(text,    out, n, i, words, word, lead, tail) {
    n = split(text, words, " ")
    out = ""
    for (i = 1; i <= n; i++) {
        word = escape(words[i])
        lead = ""
        tail = ""
        while (word ~ /^[[(|]/) {
            lead = lead substr(word, 1, 1)
            word = substr(word, 2)
        }
        while (word ~ /([])|]|\.\.\.)$/) {
            if (word ~ /\.\.\.$/) {
                tail = "..." tail
                word = substr(word, 1, length(word) - 3)
            } else {
                tail = substr(word, length(word)) tail
                word = substr(word, 1, length(word) - 1)
            }
        }
        if (word == "")
            out = out (i > 1 ? " " : "") lead tail
        else {
            # "modbus|standard" and "T7310|T8310": each choice typed as shown.
            gsub(/-/, "\\-", word)
            if (word ~ /^[A-Z][A-Z0-9_.:]*$/ && word !~ /^T[0-9]/ && word !~ /^PRM/)
                word = "\\fI" word "\\fR"
            else
                word = "\\fB" word "\\fR"
            gsub(/\|/, "\\fR|\\fB", word)
            gsub(/\\fB\\fR/, "", word)
            out = out (i > 1 ? " " : "") lead word tail
        }
    }
    return out
}

function end_verbatim() {
    if (verbatim) {
        print ".fi"
        print ".RE"
        verbatim = 0
    }
}

NR == 1 {
    name = $1
    section = $2
    summary = $0
    sub(/^[^ ]+ +[^ ]+ +/, "", summary)
    print ".\\\" Generated from " FILENAME "; edit that file, not this one."
    print ".TH " toupper(name) " " section " \"\" \"" name " " version "\" \"T7310 / T8310 Configurator\""
    print ".SH NAME"
    print minus(escape(name)) " \\- " escape(summary)
    next
}

/^## / {
    end_verbatim()
    print ".SS " escape(substr($0, 4))
    paragraph = 0
    fresh = 1
    next
}

/^# / {
    end_verbatim()
    heading = substr($0, 3)
    print ".SH " escape(heading)
    paragraph = 0
    fresh = 1
    next
}

/^$/ {
    end_verbatim()
    paragraph = 0
    next
}

/^  / {
    text = substr($0, 3)
    if (heading == "SYNOPSIS") {
        print term(text)
        print ".br"
        next
    }
    if (!verbatim) {
        if (!fresh)
            print ".PP"
        print ".RS 4"
        print ".nf"
        verbatim = 1
    }
    text = escape(text)
    gsub(/-/, "\\-", text)
    print line_start(text)
    fresh = 0
    next
}

/ :: / {
    end_verbatim()
    split_at = index($0, " :: ")
    print ".TP"
    print term(substr($0, 1, split_at - 1))
    print line_start(minus(escape(substr($0, split_at + 4))))
    paragraph = 0
    fresh = 0
    next
}

{
    end_verbatim()
    if (paragraph == 0 && !fresh)
        print ".PP"
    print line_start(minus(escape($0)))
    paragraph = 1
    fresh = 0
}

END {
    end_verbatim()
}
