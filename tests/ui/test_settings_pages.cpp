#include <QtTest>
class SettingsPagesTest : public QObject { Q_OBJECT };
QTEST_MAIN(SettingsPagesTest)
#include "test_settings_pages.moc"
