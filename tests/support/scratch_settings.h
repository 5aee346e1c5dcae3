#pragma once
// A settings store of the test's own in a temporary folder that goes with
// this object. Fresh() starts another empty store (one per case of a table);
// Path() names a file there, e.g. for a child process's store.

#include <QString>
#include <QTemporaryDir>

class ScratchSettings {
  public:
    ScratchSettings() { Fresh(); }
    ~ScratchSettings() { qunsetenv("KEL_REMOTE_REGISTRY"); }
    void Fresh() {
        qputenv("KEL_REMOTE_REGISTRY", Path(QString("store%1.ini").arg(++n_)).toLocal8Bit());
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
    int n_ = 0;
};
