// Fuzzes the section files a project opens (Scenes: camera, background, clip box, rendering
// flags, point rendering; Communication: measures, comments, camera paths and their rendering
// settings). Each reader gets the input: a failed read leaves its object as it was (what it
// writes is unchanged) where the reader promises so, and what a successful read gives is written
// and read back to the same bytes.
#include "background.h"
#include "camera.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "fuzzsupport.h"
#include "measuremanager.h"
#include "pointcloudparameter.h"
#include "renderingtarget.h"
#include "testutil.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

using namespace fuzzsupport;

namespace {

// One section file kind: how to read into an object and write it, and whether a failed read
// leaves the object as it was (the camera keeps what it applied before a failing bookmark part).
template <typename T>
struct FLSection
{
    std::function<bool(T&, const std::string&, std::string&)> read;
    std::function<bool(const T&, const std::string&, std::string&)> write;
    bool wholeOrNothing = true;
};

template <typename T>
std::string FL_written(const T& iObject, const FLSection<T>& iSection, const std::string& iPath)
{
    std::string error;
    if (!iSection.write(iObject, iPath, error))
        return std::string("\1write failed");
    return testutil::readFile(iPath);
}

template <typename T>
void FL_check(const FLSection<T>& iSection)
{
    const std::string out = scratch().path() + ".out";
    auto object = std::make_unique<T>();
    // What a fresh object writes, once per section (several sections share a type).
    static std::map<const void*, std::string> fresh;
    if (fresh.count(&iSection) == 0)
        fresh[&iSection] = FL_written(*object, iSection, out);
    const std::string& before = fresh[&iSection];
    std::string error;
    if (!iSection.read(*object, scratch().path(), error)) {
        require(!iSection.wholeOrNothing || FL_written(*object, iSection, out) == before);
        return;
    }
    const std::string first = FL_written(*object, iSection, out);
    auto again = std::make_unique<T>();
    require(iSection.read(*again, out, error));
    require(FL_written(*again, iSection, out) == first);
}

// The rendering settings of the point clouds, with the manager's visibility.
struct FLPointRendering
{
    PointCloudParameter parameter;
    bool visible = true;
};

template <typename T>
void FL_seed(const FLSection<T>& iSection, const std::string& iPath, const std::function<void(T&)>& iFill)
{
    auto object = std::make_unique<T>();
    iFill(*object);
    std::string error;
    iSection.write(*object, iPath, error);
}

const FLSection<Camera> flCamera{[](Camera& o, const std::string& p, std::string& e) { return o.initFromTextFile(p, e); },
                                 [](const Camera& o, const std::string& p, std::string& e) {
                                     return o.exportCameraParameter(p, e);
                                 },
                                 false};
const FLSection<Background> flBackground{
    [](Background& o, const std::string& p, std::string& e) { return o.initWithTextFile(p, e); },
    [](const Background& o, const std::string& p, std::string& e) { return o.exportParameter(p, e); }};
const FLSection<ClipBox> flClipBox{
    [](ClipBox& o, const std::string& p, std::string& e) { return o.initWithTextFile(p, e); },
    [](const ClipBox& o, const std::string& p, std::string& e) { return o.exportParameter(p, e); }};
const FLSection<RenderingTarget> flObjectFlags{
    [](RenderingTarget& o, const std::string& p, std::string& e) { return o.initObjectWithTextFile(p, e); },
    [](const RenderingTarget& o, const std::string& p, std::string& e) {
        return o.exportObjectRenderingParameter(p, e);
    }};
const FLSection<RenderingTarget> flInformation{
    [](RenderingTarget& o, const std::string& p, std::string& e) { return o.initInfomationWithTextFile(p, e); },
    [](const RenderingTarget& o, const std::string& p, std::string& e) { return o.exportInfomation(p, e); }};
const FLSection<FLPointRendering> flPointRendering{
    [](FLPointRendering& o, const std::string& p, std::string& e) {
        return initPointCloudRenderSetting(p, &o.parameter, &o.visible, e);
    },
    [](const FLPointRendering& o, const std::string& p, std::string& e) {
        return exportPointCloudRenderSetting(p, o.parameter, o.visible, e);
    }};
const FLSection<MeasureManager> flMeasures{
    [](MeasureManager& o, const std::string& p, std::string& e) { return o.generateFromTextFile(p, e); },
    [](const MeasureManager& o, const std::string& p, std::string& e) { return o.exportMeasureALL(p, e); }};
const FLSection<MeasureManager> flMeasureRendering{
    [](MeasureManager& o, const std::string& p, std::string& e) { return o.importRenderingParameter(p, e); },
    [](const MeasureManager& o, const std::string& p, std::string& e) { return o.exportRenderingParameter(p, e); }};
const FLSection<CommentManager> flComments{
    [](CommentManager& o, const std::string& p, std::string& e) { return o.initDataFromTextFile(p, e); },
    [](const CommentManager& o, const std::string& p, std::string& e) { return o.exportData(p, e); }};
const FLSection<CommentManager> flCommentRendering{
    [](CommentManager& o, const std::string& p, std::string& e) { return o.importRenderingParameter(p, e); },
    [](const CommentManager& o, const std::string& p, std::string& e) { return o.exportRenderingParameter(p, e); }};
const FLSection<CameraPathManager> flCameraPaths{
    [](CameraPathManager& o, const std::string& p, std::string& e) { return o.initDataFromTextFile(p, e); },
    [](const CameraPathManager& o, const std::string& p, std::string& e) { return o.exportData(p, e); }};
const FLSection<CameraPathManager> flCameraPathRendering{
    [](CameraPathManager& o, const std::string& p, std::string& e) { return o.importRenderingParameter(p, e); },
    [](const CameraPathManager& o, const std::string& p, std::string& e) { return o.exportRenderingParameter(p, e); }};

void FL_writeSeeds(const std::string& iFolder)
{
    using V = Vector3T<double>;
    FL_seed<Camera>(flCamera, iFolder + "/Camera.txt", [](Camera& c) {
        c.setLookAtData(Camera::LookAtData{V(412345.5, 5000000.25, 100), V(1, 2, 3), V(0, 0, 1)});
    });
    FL_seed<Background>(flBackground, iFolder + "/Background.txt", [](Background&) {});
    FL_seed<ClipBox>(flClipBox, iFolder + "/ClipBox.txt", [](ClipBox& b) { b.clarity = 33.5f; });
    FL_seed<RenderingTarget>(flObjectFlags, iFolder + "/ObjectRendering.txt", [](RenderingTarget&) {});
    FL_seed<RenderingTarget>(flInformation, iFolder + "/InfomationRendering.txt", [](RenderingTarget&) {});
    FL_seed<FLPointRendering>(flPointRendering, iFolder + "/PointCloudRendering.txt", [](FLPointRendering&) {});
    FL_seed<MeasureManager>(flMeasures, iFolder + "/Measure.txt", [](MeasureManager& m) {
        m.createMeasureLength({V(0, 0, 0), V(3, 4, 0)});
        m.createMeasureAngle({V(1, 0, 0), V(0, 0, 0), V(0, 1, 0)});
    });
    FL_seed<MeasureManager>(flMeasureRendering, iFolder + "/MeasureRendering.txt", [](MeasureManager&) {});
    FL_seed<CommentManager>(flComments, iFolder + "/Comment.txt",
                            [](CommentManager& m) { m.createComment(V(1, 2, 3), "Pipe", {"a", "b"}); });
    FL_seed<CommentManager>(flCommentRendering, iFolder + "/CommentRendering.txt", [](CommentManager&) {});
    FL_seed<CameraPathManager>(flCameraPaths, iFolder + "/CameraPath.txt", [](CameraPathManager& m) {
        CameraPath* path = new CameraPath;
        path->setName("Walk");
        path->addPoint(Camera::LookAtData{V(0, 0, 5), V(0, 1, 0), V(0, 0, 1)});
        path->addPoint(Camera::LookAtData{V(3, 0, 5), V(3, 1, 0), V(0, 0, 1)});
        m.addNewObject(path);
    });
    FL_seed<CameraPathManager>(flCameraPathRendering, iFolder + "/CameraPathRendering.txt", [](CameraPathManager&) {});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    silence();
    handleMakeSeeds(argc, argv, &FL_writeSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!scratch().write(data, size))
        return 0;
    FL_check(flCamera);
    FL_check(flBackground);
    FL_check(flClipBox);
    FL_check(flObjectFlags);
    FL_check(flInformation);
    FL_check(flPointRendering);
    FL_check(flMeasures);
    FL_check(flMeasureRendering);
    FL_check(flComments);
    FL_check(flCommentRendering);
    FL_check(flCameraPaths);
    FL_check(flCameraPathRendering);
    return 0;
}
