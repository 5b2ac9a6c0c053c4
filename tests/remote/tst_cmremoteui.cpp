#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <engine/cmengine.h>
#include <kit/ovswitch.h>
#include <remote/cmqrcode.h>
#include <remote/cmremote.h>
#include <remote/cmremotepanel.h>

using namespace Qt::StringLiterals;

// The remote as the operator meets it: the panel, its QR code and `cuemaster --remote`.
class TestCMRemoteUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void qrCode();
    void panelTurnsTheRemoteOnAndOff();
    void commandLineTurnsItOn();
};

void TestCMRemoteUi::qrCode()
{
    const QImage code = CMQRCode::image("http://192.168.1.20:8765/?token=" + QByteArray(43, 'a'));
    QVERIFY(!code.isNull());
    QCOMPARE(code.width(), code.height());
    QCOMPARE((code.width() - 8 - 17) % 4, 0); // a QR version's size inside the quiet zone
    // The top-left finder pattern (dark corners, light ring, dark centre) inside the white margin.
    const auto dark = [&](int x, int y) { return qGray(code.pixel(x + 4, y + 4)) < 128; };
    QVERIFY(!dark(-1, -1) && dark(0, 0) && dark(6, 0) && dark(0, 6) && dark(6, 6));
    QVERIFY(!dark(1, 1) && !dark(5, 5) && dark(3, 3));
    QVERIFY(CMQRCode::image(QByteArray(8000, 'x')).isNull());
}

void TestCMRemoteUi::panelTurnsTheRemoteOnAndOff()
{
    CMEngine engine;
    CMRemote remote(engine);
    CMRemotePanel::storeOptions(std::nullopt);
    CMRemotePanel panel(remote);
    QVERIFY(!remote.isRunning());
    QVERIFY(!panel.networkSwitch()->isEnabled());

    panel.enabledSwitch()->click();
    QVERIFY(remote.isRunning());
    QVERIFY(!remote.options().allowNetwork);
    const QUrl address(panel.address());
    QCOMPARE(address.host(), u"127.0.0.1"_s);
    QCOMPARE(address.port(), int(remote.port()));
    QCOMPARE(QUrlQuery(address).queryItemValue(u"token"_s).toLatin1(), remote.token());
    // No QR code for an address only this computer can open.
    QVERIFY(std::ranges::none_of(panel.findChildren<QLabel *>(), [](const QLabel *l) {
        return l->isVisibleTo(l->window()) && !l->pixmap().isNull();
    }));
    // Remembered for the next start, on the port it took.
    QCOMPARE(CMRemotePanel::storedOptions(), (CMRemote::Options{remote.port(), false}));

    const QByteArray token = remote.token();
    for (QPushButton *b : panel.findChildren<QPushButton *>()) {
        if (b->text() == u"New Address")
            b->click();
    }
    QVERIFY(remote.token() != token);
    QVERIFY(panel.address().contains(QString::fromLatin1(remote.token())));

    panel.enabledSwitch()->click();
    QVERIFY(!remote.isRunning());
    QCOMPARE(CMRemotePanel::storedOptions(), std::nullopt);
}

void TestCMRemoteUi::commandLineTurnsItOn()
{
    QProcess app;
    app.setProcessChannelMode(QProcess::SeparateChannels);
    app.start(QStringLiteral(CM_APP_BINARY), {u"--remote=0"_s});
    QVERIFY(app.waitForStarted());
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += app.readAllStandardOutput()).count('\n') >= 2, 30000);
    const QList<QByteArray> lines = out.split('\n');
    QVERIFY2(lines[0].startsWith("Remote control: http://127.0.0.1:"), lines[0].constData());
    QVERIFY(lines[0].contains("/?token="));
    const QUrl page(QString::fromUtf8(lines[0].sliced(16)));
    QCOMPARE(lines[1], "OSC: udp://127.0.0.1:" + QByteArray::number(page.port()));
    QCOMPARE(QUrlQuery(page).queryItemValue(u"token"_s).size(), 43);
    app.terminate();
    QVERIFY(app.waitForFinished(10000));
}

QTEST_MAIN(TestCMRemoteUi)
#include "tst_cmremoteui.moc"
