# Sourced by the print-server tests: starts cupsd when it is not running,
# adds the PDF queue when it is missing and exports TESORIN_PDF_DIR, the
# folder the queue writes into. The running server and its queues are shared
# with other users of the machine and are left as they are.
export QT_QPA_PLATFORM=offscreen

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    mkdir -p /run/cups # normally made by the init system
    cupsd
    for _ in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
fi
if ! lpstat -v PDF >/dev/null 2>&1; then
    lpadmin -p PDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
fi
cupsenable PDF
cupsaccept PDF

# The queue writes into the folder named by "Out" in its configuration,
# ${HOME} being the home of the user who printed (default ${HOME}/PDF).
OUT=$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf | tail -1)
OUT=${OUT:-'${HOME}/PDF'}
USER_HOME=$(getent passwd "$(id -un)" | cut -d: -f6)
export TESORIN_PDF_DIR="${OUT//\$\{HOME\}/$USER_HOME}"
