#include "x_session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QThread>

#include "platform/winsock.h"
#include "settings/settings.h"

namespace {
constexpr int kStartMs = 20000;
constexpr int kHelperMs = 5000;
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

XSession::XSession(QSize size, int depth) {
    QTemporaryFile numberFile;
    numberFile.open();
    const QString numberPath = numberFile.fileName();
    server_ = std::make_unique<QProcess>();
    // -displayfd: the server picks a free display and writes its number.
    server_->start(
        QStringLiteral("bash"),
        {QStringLiteral("-c"),
         QStringLiteral("exec Xvfb -displayfd 3 -nolisten tcp -screen 0 %1x%2x%3 3>\"$1\"")
             .arg(size.width())
             .arg(size.height())
             .arg(depth),
         QStringLiteral("xvfb"), numberPath});
    WaitUntil(
        [&] {
            QFile file(numberPath);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const QByteArray number = file.readAll().trimmed();
            if (number.isEmpty())
                return false;
            display_ = QStringLiteral(":") + QString::fromLatin1(number);
            return true;
        },
        kStartMs);
}

XSession::~XSession() {
    for (auto& program : programs_) {
        if (program->state() != QProcess::NotRunning) {
            program->terminate();
            if (!program->waitForFinished(5000))
                program->kill();
            program->waitForFinished(5000);
        }
    }
    programs_.clear();
    if (server_->state() != QProcess::NotRunning) {
        server_->terminate();
        server_->waitForFinished(5000);
    }
}

QProcess* XSession::Start(const QString& program, const QStringList& arguments,
                          const QStringList& environment) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& entry : environment) {
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    }
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    process->waitForStarted(kStartMs);
    programs_.push_back(std::move(process));
    return programs_.back().get();
}

QString XSession::Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    // A helper that hangs (seen with xdotool on a busy machine) is ended, so
    // the caller's own wait can try again instead of losing its whole budget.
    if (!process.waitForFinished(kHelperMs)) {
        process.kill();
        process.waitForFinished(kHelperMs);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QStringList XSession::WindowsNamed(const QString& name) {
    const QString out =
        Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                        QStringLiteral("^") + name + QStringLiteral("$")});
    return out.split('\n', Qt::SkipEmptyParts);
}

QRect XSession::WindowGeometry(const QString& id) {
    const QString out = Run(QStringLiteral("xdotool"),
                            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QString value = line.section('=', 1);
        if (line.startsWith(QLatin1String("X=")))
            x = value.toInt();
        if (line.startsWith(QLatin1String("Y=")))
            y = value.toInt();
        if (line.startsWith(QLatin1String("WIDTH=")))
            w = value.toInt();
        if (line.startsWith(QLatin1String("HEIGHT=")))
            h = value.toInt();
    }
    return {x, y, w, h};
}

QImage XSession::Screenshot(const QString& saveAs) {
    QTemporaryFile file(QStringLiteral("shot-XXXXXX.png"));
    file.open();
    const QString path = saveAs.isEmpty() ? file.fileName() : saveAs;
    Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

void XSession::Click(QPoint at) {
    Run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    Run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

void XSession::Key(const QString& key) {
    Run(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
}

QString Artifact(const QString& name) {
    QDir().mkpath(QStringLiteral(KEL_ARTIFACT_DIR));
    return QStringLiteral(KEL_ARTIFACT_DIR "/") + name;
}

QString LoopbackSettings(const QString& name) {
    const QString path = Artifact(name);
    QFile::remove(path);
    qputenv("KEL_REMOTE_REGISTRY", path.toLocal8Bit());
    WritePreferredAddress(Ipv4FromText("127.0.0.1"));
    return QStringLiteral("KEL_REMOTE_REGISTRY=") + path;
}
