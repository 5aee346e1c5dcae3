#include "web_options.h"

namespace {

const char kUsage[] =
    "Usage: kel-remote-web [--listen ADDRESS:PORT] [--token-file FILE]\n"
    "       kel-remote-web --help | --version\n"
    "\n"
    "A station on the desk network whose handheld is a phone or tablet browser.\n"
    "It announces itself like the window program, lists the desks it hears and\n"
    "serves one page; the page connects to a desk, shows its screen and sends\n"
    "taps, keys and the handheld's buttons.\n"
    "\n"
    "Options:\n"
    "  --listen ADDRESS:PORT  where browsers reach the page (127.0.0.1:8780).\n"
    "                         0.0.0.0 listens on every address of this machine.\n"
    "  --token-file FILE      keep the access token in FILE (made when missing),\n"
    "                         so the page's address stays the same between runs.\n"
    "                         Without it every run makes a new random token.\n"
    "  -h, --help             this text\n"
    "  --version              the program's version\n"
    "\n"
    "Every request must carry the token: the program prints the page's address\n"
    "with it, and a QR code of that address for the phone's camera. Whoever has\n"
    "the address can press keys on the desk; hand it to the operators only.\n"
    "SIGINT or SIGTERM ends the program; it deregisters from the desk first.\n"
    "A usage error is reported in one line on standard error, exit code 2.\n";

bool ParseListen(const QString& text, WebOptions& options) {
    const qsizetype colon = text.lastIndexOf(':');
    if (colon <= 0)
        return false;
    QHostAddress address;
    if (!address.setAddress(text.left(colon)) ||
        address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535)
        return false;
    options.address = address;
    options.port = static_cast<quint16>(port);
    return true;
}

WebOptions Failed(const QString& problem) {
    WebOptions options;
    options.action = WebOptions::Action::Error;
    options.problem = problem;
    return options;
}

}  // namespace

const char* WebUsageText() {
    return kUsage;
}

WebOptions ParseWebOptions(const QStringList& args) {
    WebOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool takesValue =
            arg == QLatin1String("--listen") || arg == QLatin1String("--token-file");
        if (takesValue && i + 1 == args.size())
            return Failed(QStringLiteral("%1 needs a value").arg(arg));
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.action = WebOptions::Action::Help;
            return options;
        }
        if (arg == QLatin1String("--version")) {
            options.action = WebOptions::Action::Version;
            return options;
        }
        if (arg == QLatin1String("--listen")) {
            if (!ParseListen(args[++i], options))
                return Failed(QStringLiteral("--listen needs ADDRESS:PORT with an IPv4 address, "
                                             "not '%1'")
                                  .arg(args[i]));
        } else if (arg == QLatin1String("--token-file")) {
            options.tokenFile = args[++i];
        } else {
            return Failed(QStringLiteral("unexpected argument '%1'").arg(arg));
        }
    }
    return options;
}
