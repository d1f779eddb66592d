#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"

#include "render/SceneHost.hpp"
#include "ui/thumbnails/ThumbnailStore.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace lumen::app::test {
namespace {

using namespace std::chrono_literals;

const QColor shippedRed(255, 0, 0);
const QColor cachedBlue(0, 0, 255);
const QColor renderedOrange(255, 128, 0);  // HostTestWarm

class ThumbnailStoreTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped()) return;
        static int argc = 1;
        static char* argv[] = {const_cast<char*>("LumenThumbnailTests"), nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        registerHostTestScenes();
        resetSceneCalls();
        host = std::make_unique<SceneHost>(gpu(), SceneCatalog{{warm, cool}}, warm);
    }
    void TearDown() override { removeHostTestScenes(); }

    std::unique_ptr<ThumbnailStore> makeStore(std::chrono::milliseconds spacing = 20ms, bool withHost = true) {
        auto store = std::make_unique<ThumbnailStore>(ThumbnailStore::Options{
            {folder.filePath("shipped")}, folder.filePath("cache"), spacing, QStringLiteral("v1")});
        if (withHost) store->setHost(host.get());
        QObject::connect(store.get(), &ThumbnailStore::changed, [this] { arrivals.push_back(clock.elapsed()); });
        clock.start();
        return store;
    }

    // Runs the event loop until `done` or the limit; true when done.
    static bool runUntil(const std::function<bool()>& done, int limitMs = 20000) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    static void runFor(int ms) { runUntil([] { return false; }, ms); }

    void writePicture(const QString& path, const QColor& colour) {
        QDir().mkpath(QFileInfo(path).path());
        QImage picture(ThumbnailStore::fullWidth, ThumbnailStore::fullHeight, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(path, "PNG"));
    }
    QString shippedFile(const SceneInfo& info) {
        return folder.filePath(QString::fromStdString("shipped/" + info.id.text() + "-thumb.png"));
    }

    // The middle pixel within 2 of `colour` per channel (the GPU may round 0.5 either way).
    static ::testing::AssertionResult centreIs(const QImage& image, const QColor& colour) {
        const QColor found = image.pixelColor(image.width() / 2, image.height() / 2);
        const bool near = std::abs(found.red() - colour.red()) <= 2 && std::abs(found.green() - colour.green()) <= 2 &&
                          std::abs(found.blue() - colour.blue()) <= 2 && found.alpha() == 255;
        return near ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << found.name().toStdString();
    }

    const SceneInfo warm = hostTestInfo("warm", "HostTestWarm");
    const SceneInfo cool = hostTestInfo("cool", "HostTestCool");
    std::unique_ptr<SceneHost> host;
    QTemporaryDir folder;
    QElapsedTimer clock;
    std::vector<qint64> arrivals;  // ms after the store was made
};

// Shipped beats cached beats rendered; a cache file that does not load is rendered and rewritten.
TEST_F(ThumbnailStoreTest, ShippedThenCachedThenRendered) {
    enum Cache { none, whole, truncated, notPng };
    struct Row {
        const char* name;
        bool shipped;
        Cache cache;
        QColor expected;
    };
    for (const Row& row : {Row{"all three", true, whole, shippedRed}, Row{"cached", false, whole, cachedBlue},
                           Row{"neither", false, none, renderedOrange},
                           Row{"truncated cache", false, truncated, renderedOrange},
                           Row{"cache not a PNG", false, notPng, renderedOrange}}) {
        SCOPED_TRACE(row.name);
        QDir(folder.path()).removeRecursively();
        auto store = makeStore();
        const QString cache = store->cacheFile(warm.id);
        if (row.shipped) writePicture(shippedFile(warm), shippedRed);
        if (row.cache != none) writePicture(cache, cachedBlue);
        QFile file(cache);
        ASSERT_TRUE(row.cache != truncated || file.resize(file.size() / 2));
        ASSERT_TRUE(row.cache != notPng || (file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0));
        file.close();

        EXPECT_FALSE(store->image(warm));
        ASSERT_TRUE(runUntil([&] { return store->image(warm).has_value(); }));
        const QImage image = *store->image(warm);
        EXPECT_EQ(image.size(), QSize(576, 324));
        EXPECT_EQ(image.devicePixelRatio(), 2);
        EXPECT_TRUE(centreIs(image, row.expected));
        EXPECT_TRUE(centreIs(QImage(cache), row.cache == whole ? cachedBlue : renderedOrange));
    }
}

TEST(ThumbnailCacheVersion, FollowsEveryShaderByte) {
    struct Row {
        std::map<QString, QByteArray> files;
        const char* expected;
    };
    for (const Row& row : std::vector<Row>{
        {{}, "1.0-1-33niihzj4ux45"},
        {{{"notes.txt", "a"}}, "1.0-1-33niihzj4ux45"},
        {{{"Reef.glsl", "a"}}, "1.0-1-2o0ongoiv4rrg"},  // FNV-1a 64 of "a" is 0xaf63dc4c8601ec8c
        {{{"Reef.glsl", "b"}}, "1.0-1-2o0oomrulmxt1"},
        {{{"b.glsl", "b"}, {"a.glsl", "a"}}, "1.0-1-4pp5mk30usmi"},  // "ab": in name order
    }) {
        SCOPED_TRACE(row.expected);
        QTemporaryDir shaders;
        for (const auto& [name, bytes] : row.files) {
            QFile file(shaders.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        EXPECT_EQ(ThumbnailStore::cacheVersion("1.0", "1", shaders.path()).toStdString(), row.expected);
    }
}

// Asked for twice before it exists, a scene is queued once; renders keep the spacing.
TEST_F(ThumbnailStoreTest, QueuedOnceAndRenderedAtLeastTheSpacingApart) {
    auto store = makeStore(1200ms);
    for (const SceneInfo* info : {&warm, &cool, &warm}) store->request(*info);
    EXPECT_FALSE(store->image(cool));
    ASSERT_TRUE(runUntil([&] { return arrivals.size() == 2; }));
    runFor(1500);
    EXPECT_EQ(arrivals.size(), 2u);
    EXPECT_GE(arrivals[0], 1200);
    EXPECT_GE(arrivals[1] - arrivals[0], 1200);
}

TEST_F(ThumbnailStoreTest, SmallPictureQueuesTheFullOneAndFollowsIt) {
    auto store = makeStore();
    EXPECT_FALSE(store->smallImage(warm));
    ASSERT_TRUE(runUntil([&] { return arrivals.size() == 1; }));
    const auto small = store->smallImage(warm);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), QSize(128, 72));
    EXPECT_EQ(small->devicePixelRatio(), 2);
    for (const QPoint corner : {QPoint(0, 0), QPoint(127, 0), QPoint(0, 71), QPoint(127, 71)}) {
        EXPECT_EQ(small->pixelColor(corner).alpha(), 0) << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(centreIs(*small, renderedOrange));
}

TEST_F(ThumbnailStoreTest, WithoutHostOnlyShippedAppear) {
    auto store = makeStore(20ms, false);
    writePicture(shippedFile(warm), shippedRed);
    store->loadShipped({warm, cool});
    ASSERT_TRUE(store->image(warm));
    EXPECT_TRUE(centreIs(*store->image(warm), shippedRed));
    EXPECT_FALSE(store->image(cool));
    runFor(200);
    EXPECT_FALSE(store->image(cool));
    EXPECT_EQ(sceneCalls("HostTestCool").made, 0);
}

}  // namespace
}  // namespace lumen::app::test
