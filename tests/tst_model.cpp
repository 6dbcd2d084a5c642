// The model of both channels on its own, with no widget: each change is told
// once, naming what it changed and where it came from; linking is its rule.

#include "operations/PresetModel.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace ksr;

Q_DECLARE_METATYPE(ksr::ChangeOrigin)

namespace {

using Change = std::function<void(PresetModel &, ChangeOrigin)>;

constexpr std::uint32_t Bit(int f)
{
    return std::uint32_t{1} << f;
}

// The flat image with Left's automatic count `count`.
PresetImageArray FlatImage(int count = 1)
{
    PresetImageArray image{};
    std::copy(FlatPresetImage.begin(), FlatPresetImage.end(), image.begin());
    image[static_cast<std::size_t>(AutoCountOffset[0])] = static_cast<std::uint8_t>(count);
    return image;
}

PresetChange Only(const QSignalSpy &spy)
{
    return spy.isEmpty() ? PresetChange{} : spy.front().front().value<PresetChange>();
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(ksr::PresetChange)

class ModelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<PresetChange>(); }

    // Every origin, every kind of change: one notification, naming exactly
    // what changed; a linked edit names the row (or setting) of both
    // channels, a linked report or channel operation only its own.
    void eachChangeIsToldOnceNamingWhatChanged_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<ChangeOrigin>("origin");
        QTest::addColumn<std::uint32_t>("gains");
        QTest::addColumn<std::uint32_t>("frequencies");
        QTest::addColumn<std::uint32_t>("widths");
        QTest::addColumn<int>("leftSettings");
        QTest::addColumn<int>("rightSettings");
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("captions");

        const Change gain = [](PresetModel &m, ChangeOrigin o) { m.SetNotchGain(3, 20, o); };
        const Change frequency = [](PresetModel &m, ChangeOrigin o) { m.SetNotchFrequency(14, 400, o); };
        const Change width = [](PresetModel &m, ChangeOrigin o) { m.SetNotchWidth(5, 3, o); };
        const Change sensitivity = [](PresetModel &m, ChangeOrigin o) {
            m.SetSetting(SettingControl::Slider1, 1, 9, o);
        };
        const Change report = [](PresetModel &m, ChangeOrigin o) { m.SetNotch(2, 30, 100, 1, o); };
        const Change captions = [](PresetModel &m, ChangeOrigin o) { m.SetCaptions("from PC", "x.Fbk", o); };
        const Change link = [](PresetModel &m, ChangeOrigin o) { m.SetLinked(true, o); };
        const int sensitivityBit = 1 << static_cast<int>(SettingControl::Slider1);

        QTest::newRow("edit: gain") << gain << false << ChangeOrigin::Edit << Bit(3) << 0U << 0U << 0 << 0
                                    << false << false;
        QTest::newRow("edit, linked: gain on both rows")
            << gain << true << ChangeOrigin::Edit << (Bit(3) | Bit(15)) << 0U << 0U << 0 << 0 << false << false;
        QTest::newRow("remote, linked: frequency on both rows")
            << frequency << true << ChangeOrigin::Remote << 0U << (Bit(14) | Bit(2)) << 0U << 0 << 0 << false
            << false;
        QTest::newRow("edit: width") << width << false << ChangeOrigin::Edit << 0U << 0U << Bit(5) << 0 << 0
                                     << false << false;
        QTest::newRow("edit, linked: sensitivity of both channels")
            << sensitivity << true << ChangeOrigin::Edit << 0U << 0U << 0U << sensitivityBit << sensitivityBit
            << false << false;
        QTest::newRow("channel operation, linked: its own channel only")
            << sensitivity << true << ChangeOrigin::ChannelOperation << 0U << 0U << 0U << 0 << sensitivityBit
            << false << false;
        QTest::newRow("device report, linked: its own row only")
            << report << true << ChangeOrigin::DeviceReport << Bit(2) << Bit(2) << Bit(2) << 0 << 0 << false
            << false;
        QTest::newRow("undo: gain, never mirrored")
            << gain << true << ChangeOrigin::History << Bit(3) << 0U << 0U << 0 << 0 << false << false;
        QTest::newRow("file load: captions") << captions << false << ChangeOrigin::FileLoad << 0U << 0U << 0U << 0
                                             << 0 << false << true;
        QTest::newRow("device store: captions") << captions << false << ChangeOrigin::DeviceStore << 0U << 0U << 0U
                                                << 0 << 0 << false << true;
        QTest::newRow("channel operation: link") << link << false << ChangeOrigin::ChannelOperation << 0U << 0U << 0U
                                                 << 0 << 0 << true << false;
    }

    void eachChangeIsToldOnceNamingWhatChanged()
    {
        QFETCH(Change, change);
        QFETCH(bool, linked);
        QFETCH(ChangeOrigin, origin);
        PresetModel model;
        model.LoadPreset(FlatImage(), ChangeOrigin::DeviceDump);
        model.SetLinked(linked, ChangeOrigin::DeviceDump);
        QSignalSpy spy(&model, &PresetModel::Changed);

        change(model, origin);

        QCOMPARE(spy.size(), 1);
        const PresetChange told = Only(spy);
        QCOMPARE(told.origin, origin);
        QTEST(told.gains, "gains");
        QTEST(told.frequencies, "frequencies");
        QTEST(told.widths, "widths");
        QTEST(int(told.settings[0]), "leftSettings");
        QTEST(int(told.settings[1]), "rightSettings");
        QTEST(told.link, "link");
        QTEST(told.captions, "captions");
        QVERIFY(!told.wholeImage);
        // The same change again changes nothing, and is not told.
        change(model, origin);
        QCOMPARE(spy.size(), 1);
    }

    // A preset taken in whole: one notification that says so; out-of-range
    // bytes clamped as the controls would hold them, the mirrors agreeing, the
    // automatic rows at the channel's width, the link dropped.
    void wholePresetIsClampedAndToldOnce()
    {
        PresetModel model;
        model.SetLinked(true, ChangeOrigin::Edit);
        PresetImageArray image = FlatImage(3);
        const auto o = [](int f) { return static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]); };
        image[o(0)] = 200;                     // gain above 45
        image[o(1) + 1] = 0xFF;                // frequency index above 729
        image[o(6) + 3] = 9;                   // width above 3
        image[static_cast<std::size_t>(AutoQOffset[0])] = 1;
        image[static_cast<std::size_t>(AutoCountOffset[1])] = 40; // count above 12
        QSignalSpy spy(&model, &PresetModel::Changed);

        model.LoadPreset(image, ChangeOrigin::DevicePreset);

        QCOMPARE(spy.size(), 1);
        const PresetChange told = Only(spy);
        QVERIFY(told.wholeImage);
        QVERIFY(told.link);
        QVERIFY(!model.Linked());
        QCOMPARE(model.NotchGainStep(0), 45);
        QCOMPARE(model.NotchFrequencyIndex(1), FrequencyCount - 1);
        QCOMPARE(model.NotchWidth(6), 3);
        QCOMPARE(model.AutoCount(1), FiltersPerChannel);
        for (int f = 0; f < 3; ++f)
            QCOMPARE(model.NotchWidth(f), 1);
        for (int f = 0; f < FilterCount; ++f) {
            const auto i = static_cast<std::size_t>(f);
            QCOMPARE(model.Values().NotchGainDb[i], double(model.NotchGainStep(f) - 45));
            QCOMPARE(model.Values().NotchFreqHz[i], FreqTable[static_cast<std::size_t>(model.NotchFrequencyIndex(f))]);
            QCOMPARE(model.Values().NotchWidthIndex[i], double(model.NotchWidth(f)));
        }
    }

    // A new automatic width goes to the channel's automatic rows and is told
    // with them; the manual rows keep theirs.
    void autoWidthReachesTheAutomaticRows()
    {
        PresetModel model;
        model.LoadPreset(FlatImage(4), ChangeOrigin::DeviceDump);
        QSignalSpy spy(&model, &PresetModel::Changed);
        model.SetSetting(SettingControl::HScroll2, 0, 3, ChangeOrigin::Edit);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(Only(spy).widths, Bit(0) | Bit(1) | Bit(2) | Bit(3));
        QCOMPARE(model.NotchWidth(3), 3);
        QCOMPARE(model.NotchWidth(4), FlatImage()[static_cast<std::size_t>(NotchOffset[4] + 3)]);
    }

    // A batch is told once at its end; a change of another origin inside it
    // (a report during an edit's exchange) is told at once, after what the
    // batch had changed so far, so that neither is taken for the other.
    void batchIsToldOnceAndKeepsOtherOriginsApart()
    {
        PresetModel model;
        model.LoadPreset(FlatImage(), ChangeOrigin::DeviceDump);
        QSignalSpy spy(&model, &PresetModel::Changed);
        {
            const PresetModel::Batch batch(model, ChangeOrigin::ChannelOperation);
            model.SetNotchGain(4, 10, ChangeOrigin::ChannelOperation);
            model.SetNotchGain(5, 10, ChangeOrigin::ChannelOperation);
            QCOMPARE(spy.size(), 0);
            model.SetNotchGain(0, 12, ChangeOrigin::DeviceReport);
            QCOMPARE(spy.size(), 2);
            model.SetNotchGain(6, 10, ChangeOrigin::ChannelOperation);
        }
        QCOMPARE(spy.size(), 3);
        const auto told = [&](int k) { return spy.at(k).front().value<PresetChange>(); };
        QCOMPARE(told(0).origin, ChangeOrigin::ChannelOperation);
        QCOMPARE(told(0).gains, Bit(4) | Bit(5));
        QCOMPARE(told(1).origin, ChangeOrigin::DeviceReport);
        QCOMPARE(told(1).gains, Bit(0));
        QCOMPARE(told(2).gains, Bit(6));
    }
};

QTEST_GUILESS_MAIN(ModelTest)
#include "tst_model.moc"
