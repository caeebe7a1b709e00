# Writes the filvex(1) manual page from the program's own help texts, so that the page says
# what `--help` says. Run at build time: cmake -DFILVEX=<program> -DVERSION=<v> -DOUT=<file> -P
function(help_of out)
  execute_process(COMMAND ${FILVEX} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "filvex ${ARGN} --help failed: ${status}")
  endif()
  # Backslashes and leading dots or quotes mean something to roff; they are shown as written.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(main)
help_of(save save)
help_of(options options)
help_of(rule rule)
string(TIMESTAMP today "%Y-%m-%d" UTC)
file(WRITE ${OUT} ".TH FILVEX 1 \"${today}\" \"filvex ${VERSION}\" \"User Commands\"
.SH NAME
filvex \\- save the attachments of .msg messages as the mail client's Save Attachments command does
.SH SYNOPSIS
.B filvex save
[\\fIOPTIONS\\fR] \\fIPATH\\fR...
.br
.B filvex options
.br
.B filvex rule
\\fBconfigure\\fR|\\fBrun\\fR ...
.br
.B filvex --version
.SH DESCRIPTION
.nf
${main}
.fi
.SH \"FILVEX SAVE\"
.nf
${save}
.fi
.SH \"FILVEX OPTIONS\"
.nf
${options}
.fi
.SH \"FILVEX RULE\"
.nf
${rule}
.fi
.SH FILES
.TP
.I ~/.config/filvex/user.reg
the user's stored options (FILVEX_USER_REGISTRY when set)
.TP
.I /etc/filvex/machine.reg
the administrator's options, which win when present (FILVEX_MACHINE_REGISTRY when set)
")
