// One copy of the program per user: a lock file says a copy runs, and a
// local socket lets a second start ask the first copy to come to the front.
// The lock of a copy that crashed is taken over, never left stale.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace zt310::ui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // key names the instance ("ZT310 V1.3.9"); folder holds the lock (default: temp).
  explicit SingleInstance(const QString& key, const QString& folder = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this is the first copy; otherwise the first copy has been
  // asked to show itself and this copy should end.
  bool Claim();

 signals:
  void RaiseRequested();

 private:
  QString serverName_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace zt310::ui
