#include <app/cmsingleinstance.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <future>

using namespace Qt::StringLiterals;

class TestCMSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondLaunchHandsItsFilesToTheFirst();
    void staleSocketDoesNotBlockTheFirstLaunch();
};

void TestCMSingleInstance::secondLaunchHandsItsFilesToTheFirst()
{
    const QString key = u"cmtest-single-"_s + QString::number(QCoreApplication::applicationPid());
    CMSingleInstance primary(key);
    QCOMPARE(primary.start({}), CMSingleInstance::Role::Primary);
    QSignalSpy activated(&primary, &CMSingleInstance::activated);

    // The second launch blocks until the primary acknowledges, so it runs on another thread
    // while this one serves the primary's event loop.
    auto second = std::async(std::launch::async, [&] {
        CMSingleInstance other(key);
        return other.start({u"/tmp/a.txt"_s, u"/tmp/b.docx"_s});
    });
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().toStringList(),
             (QStringList{u"/tmp/a.txt"_s, u"/tmp/b.docx"_s}));
    QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(second.get(), CMSingleInstance::Role::Secondary);
}

void TestCMSingleInstance::staleSocketDoesNotBlockTheFirstLaunch()
{
    const QString key = u"cmtest-stale-"_s + QString::number(QCoreApplication::applicationPid());
    // A crashed primary leaves its socket file behind, with nobody answering.
    QFile leftover(QDir::tempPath() + u'/' + key);
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    CMSingleInstance first(key);
    QCOMPARE(first.start({}), CMSingleInstance::Role::Primary);
}

QTEST_GUILESS_MAIN(TestCMSingleInstance)
#include "tst_cmsingleinstance.moc"
