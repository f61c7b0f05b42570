<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Background</name>
    <message>
        <source>Uniform</source>
        <translation>単色</translation>
    </message>
    <message>
        <source>Gradient Top to Bottom</source>
        <translation>グラデーション（上から下）</translation>
    </message>
    <message>
        <source>Gradient LeftTop to RigthBottom</source>
        <translation>グラデーション（左上から右下）</translation>
    </message>
    <message>
        <source>Gradient Left to Right</source>
        <translation>グラデーション（左から右）</translation>
    </message>
    <message>
        <source>Gradient LeftBottom to RigthTop</source>
        <translation>グラデーション（左下から右上）</translation>
    </message>
    <message>
        <source>Gradient Inside to Outside</source>
        <translation>グラデーション（内側から外側）</translation>
    </message>
    <message>
        <source>Cannot open file for writting: </source>
        <translation>ファイルを書き込み用に開けません: </translation>
    </message>
    <message>
        <source>Cannot open file for reading: </source>
        <translation>ファイルを読み込み用に開けません: </translation>
    </message>
    <message>
        <source>File Header Error.</source>
        <translation>ファイルヘッダーが不正です。</translation>
    </message>
</context>
<context>
    <name>BestFit</name>
    <message>
        <source>The best fit parameters are out of range.</source>
        <translation>ベストフィットのパラメータが範囲外です。</translation>
    </message>
    <message>
        <source>This shot has no point data: %1</source>
        <translation>このショットには点データがありません: %1</translation>
    </message>
    <message>
        <source>This shot has no point matrix: %1
Best fit registers only shots imported from point-matrix files (.zrpmd), which Kestrune writes when its output file is named .zrpmd.</source>
        <translation>このショットには点行列がありません: %1
ベストフィットで位置合わせできるのは、点行列ファイル (.zrpmd) からインポートしたショットだけです。点行列ファイルは、Kestrune の出力ファイル名を .zrpmd にすると書き出されます。</translation>
    </message>
    <message>
        <source>Find Length Max is too small for the size of the base shot: raise it.</source>
        <translation>基準ショットの大きさに対して最大探索距離が小さすぎます。最大探索距離を大きくしてください。</translation>
    </message>
    <message>
        <source>No target point lies within Find Length Max of a base point: place the target nearer to the base or raise Find Length Max.</source>
        <translation>基準の点から最大探索距離以内に対象の点がありません。対象を基準に近づけるか、最大探索距離を大きくしてください。</translation>
    </message>
</context>
<context>
    <name>BestFitDialog</name>
    <message>
        <source>Best Fit</source>
        <translation>ベストフィット</translation>
    </message>
    <message>
        <source>Shot:</source>
        <translation>ショット:</translation>
    </message>
    <message>
        <source>Base</source>
        <translation>基準</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>対象</translation>
    </message>
    <message>
        <source>Sampling Condition:</source>
        <translation>サンプリング条件:</translation>
    </message>
    <message>
        <source>Find Length Max</source>
        <translation>最大探索距離</translation>
    </message>
    <message>
        <source>Sampling Pitch</source>
        <translation>サンプリング間隔</translation>
    </message>
    <message>
        <source>Loop Condition:</source>
        <translation>反復条件:</translation>
    </message>
    <message>
        <source>Loop Max</source>
        <translation>最大反復回数</translation>
    </message>
    <message>
        <source>Tolerance</source>
        <translation>許容誤差</translation>
    </message>
    <message>
        <source>Execute</source>
        <translation>実行</translation>
    </message>
</context>
<context>
    <name>Camera</name>
    <message>
        <source>Cannot open file for writting: </source>
        <translation>ファイルを書き込み用に開けません: </translation>
    </message>
    <message>
        <source>Cannot open file for reading: </source>
        <translation>ファイルを読み込み用に開けません: </translation>
    </message>
    <message>
        <source>File Header Error.</source>
        <translation>ファイルヘッダーが不正です。</translation>
    </message>
</context>
<context>
    <name>CameraDialog</name>
    <message>
        <source>Camera</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>Projection:</source>
        <translation>投影:</translation>
    </message>
    <message>
        <source>Far</source>
        <translation>遠</translation>
    </message>
    <message>
        <source>Near</source>
        <translation>近</translation>
    </message>
    <message>
        <source>Degree</source>
        <translation>角度</translation>
    </message>
    <message>
        <source>ViewPoint:</source>
        <translation>視点:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>RegardPoint:</source>
        <translation>注視点:</translation>
    </message>
    <message>
        <source>Upward:</source>
        <translation>上方向:</translation>
    </message>
    <message>
        <source>Work</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>モード:</translation>
    </message>
    <message>
        <source>Translation:</source>
        <translation>移動:</translation>
    </message>
    <message>
        <source>distance</source>
        <translation>距離</translation>
    </message>
    <message>
        <source>↑</source>
        <translation>↑</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>←</source>
        <translation>←</translation>
    </message>
    <message>
        <source>↓</source>
        <translation>↓</translation>
    </message>
    <message>
        <source>→</source>
        <translation>→</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>Rotation:</source>
        <translation>回転:</translation>
    </message>
    <message>
        <source>degree</source>
        <translation>度</translation>
    </message>
    <message>
        <source>Alignment</source>
        <translation>整列</translation>
    </message>
    <message>
        <source>+X</source>
        <translation>+X</translation>
    </message>
    <message>
        <source>+Y</source>
        <translation>+Y</translation>
    </message>
    <message>
        <source>+Z</source>
        <translation>+Z</translation>
    </message>
    <message>
        <source>-X</source>
        <translation>-X</translation>
    </message>
    <message>
        <source>-Y</source>
        <translation>-Y</translation>
    </message>
    <message>
        <source>-Z</source>
        <translation>-Z</translation>
    </message>
    <message>
        <source>Rightward:</source>
        <translation>右方向:</translation>
    </message>
    <message>
        <source>Check Before-After.</source>
        <translation>前後を確認する。</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Observation</source>
        <translation>観察</translation>
    </message>
    <message>
        <source>WalkThrough</source>
        <translation>ウォークスルー</translation>
    </message>
</context>
<context>
    <name>CameraPathDialog</name>
    <message>
        <source>Camera Path</source>
        <translation>カメラパス</translation>
    </message>
    <message>
        <source>Create New..</source>
        <translation>新規作成..</translation>
    </message>
    <message>
        <source>Rename..</source>
        <translation>名前の変更..</translation>
    </message>
    <message>
        <source>Check Point</source>
        <translation>チェックポイント</translation>
    </message>
    <message>
        <source>Add New</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Delete ALL</source>
        <translation>すべて削除</translation>
    </message>
    <message>
        <source>speed:</source>
        <translation>速度:</translation>
    </message>
    <message>
        <source>fps:</source>
        <translation>fps:</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>Export Animation...</source>
        <translation>アニメーションを書き出し...</translation>
    </message>
</context>
<context>
    <name>CameraPathForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>名前:</translation>
    </message>
    <message>
        <source>Visibility:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Points:</source>
        <translation>点:</translation>
    </message>
</context>
<context>
    <name>CameraPathManagerForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Line Width:</source>
        <translation>線幅:</translation>
    </message>
    <message>
        <source>Line Color:</source>
        <translation>線の色:</translation>
    </message>
</context>
<context>
    <name>ClipBox</name>
    <message>
        <source>Cannot open file for writting: </source>
        <translation>ファイルを書き込み用に開けません: </translation>
    </message>
    <message>
        <source>Cannot open file for reading: </source>
        <translation>ファイルを読み込み用に開けません: </translation>
    </message>
    <message>
        <source>File Header Error.</source>
        <translation>ファイルヘッダーが不正です。</translation>
    </message>
</context>
<context>
    <name>ClipBoxForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Flag:</source>
        <translation>フラグ:</translation>
    </message>
    <message>
        <source>Show ClipBox.</source>
        <translation>クリップボックスを表示</translation>
    </message>
    <message>
        <source>Enable Clip Effect.</source>
        <translation>クリップ効果を有効にする</translation>
    </message>
    <message>
        <source>Center:</source>
        <translation>中心:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Scale:</source>
        <translation>スケール:</translation>
    </message>
    <message>
        <source>Clarity:</source>
        <translation>透明度:</translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>Attitude:</source>
        <translation>姿勢:</translation>
    </message>
</context>
<context>
    <name>CommentCreationDialog</name>
    <message>
        <source>Commnet</source>
        <translation>コメント</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>プロパティ</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>タイトル:</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>テキスト:</translation>
    </message>
    <message>
        <source>Point:</source>
        <translation>点:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Set to Reference Point</source>
        <translation>参照点を設定</translation>
    </message>
    <message>
        <source>Create New</source>
        <translation>新規作成</translation>
    </message>
</context>
<context>
    <name>CommentForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>タイトル:</translation>
    </message>
    <message>
        <source>Visibility:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Text:</source>
        <translation>テキスト:</translation>
    </message>
    <message>
        <source>Point:</source>
        <translation>点:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
</context>
<context>
    <name>CommentManagerForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Charactor</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>Font Size:</source>
        <translation>フォントサイズ:</translation>
    </message>
    <message>
        <source>Title Color:</source>
        <translation>タイトルの色:</translation>
    </message>
    <message>
        <source>Text Color:</source>
        <translation>文字の色:</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>線</translation>
    </message>
    <message>
        <source>Line Width:</source>
        <translation>線幅:</translation>
    </message>
    <message>
        <source>Line Color:</source>
        <translation>線の色:</translation>
    </message>
</context>
<context>
    <name>GLWidget</name>
    <message>
        <source>Fit View</source>
        <translation>ビューをフィット</translation>
    </message>
    <message>
        <source>Fit View to selected objects.</source>
        <translation>選択したオブジェクトにビューを合わせます。</translation>
    </message>
    <message>
        <source>Delete Selected Objects</source>
        <translation>選択オブジェクトを削除</translation>
    </message>
    <message>
        <source>Delete selected objects.</source>
        <translation>選択したオブジェクトを削除します。</translation>
    </message>
    <message>
        <source>Delete Selected Points</source>
        <translation>選択した点を削除</translation>
    </message>
    <message>
        <source>Delete selected points.</source>
        <translation>選択した点を削除します。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>メインウィンドウ</translation>
    </message>
    <message>
        <source>Observation</source>
        <translation>観察</translation>
    </message>
    <message>
        <source>WalkThrough</source>
        <translation>ウォークスルー</translation>
    </message>
    <message>
        <source>IX: %1, IY: %2</source>
        <translation>IX: %1, IY: %2</translation>
    </message>
    <message>
        <source>Open PointCloud File...</source>
        <translation>点群ファイルを開く...</translation>
    </message>
    <message>
        <source>Open an existing file</source>
        <translation>既存のファイルを開きます</translation>
    </message>
    <message>
        <source>Save PointCloud File...</source>
        <translation>点群ファイルを保存...</translation>
    </message>
    <message>
        <source>Save the document to disk</source>
        <translation>ドキュメントをディスクに保存します</translation>
    </message>
    <message>
        <source>Save PointCloud File As...</source>
        <translation>名前を付けて点群ファイルを保存...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Exit the application</source>
        <translation>アプリケーションを終了します</translation>
    </message>
    <message>
        <source>Mouse Setting...</source>
        <translation>マウス設定...</translation>
    </message>
    <message>
        <source>Show Dialog: Mouse Setting</source>
        <translation>ダイアログを表示: マウス設定</translation>
    </message>
    <message>
        <source>Structure...</source>
        <translation>構造...</translation>
    </message>
    <message>
        <source>Show Browser: Structure</source>
        <translation>ブラウザを表示: 構造</translation>
    </message>
    <message>
        <source>Property...</source>
        <translation>プロパティ...</translation>
    </message>
    <message>
        <source>Show Browser: Property</source>
        <translation>ブラウザを表示: プロパティ</translation>
    </message>
    <message>
        <source>Scene Rendering...</source>
        <translation>シーン描画...</translation>
    </message>
    <message>
        <source>Show Dialog: SceneRendering</source>
        <translation>ダイアログを表示: シーン描画</translation>
    </message>
    <message>
        <source>Camera Setting...</source>
        <translation>カメラ設定...</translation>
    </message>
    <message>
        <source>Show Dialog: CameraSetting</source>
        <translation>ダイアログを表示: カメラ設定</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>バージョン情報...</translation>
    </message>
    <message>
        <source>Show the application&apos;s About box</source>
        <translation>アプリケーションのバージョン情報を表示します</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>Browser</source>
        <translation>ブラウザ</translation>
    </message>
    <message>
        <source>Scene</source>
        <translation>シーン</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>No PointCloud...</source>
        <translation>点群がありません...</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>Original PointCloud File (*.zrpcd)</source>
        <translation>オリジナル点群ファイル (*.zrpcd)</translation>
    </message>
    <message>
        <source>Cannot open: </source>
        <translation>開けません: </translation>
    </message>
    <message>
        <source>Cannot read: </source>
        <translation>読み込めません: </translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>ファイルを保存</translation>
    </message>
    <message>
        <source>PointCloud File (*.zrpcd)</source>
        <translation>点群ファイル (*.zrpcd)</translation>
    </message>
    <message>
        <source>Saved: </source>
        <translation>保存しました: </translation>
    </message>
    <message>
        <source>Cannot save: </source>
        <translation>保存できません: </translation>
    </message>
    <message>
        <source>Information()</source>
        <translation>情報</translation>
    </message>
    <message>
        <source>Brenmoor Ver0.1</source>
        <translation>Brenmoor Ver0.1</translation>
    </message>
    <message>
        <source>Not an octree point file (.zrpcd).</source>
        <translation>八分木点群ファイル (.zrpcd) ではありません。</translation>
    </message>
</context>
<context>
    <name>MeasureCreationDialog</name>
    <message>
        <source>Measure</source>
        <translation>計測</translation>
    </message>
    <message>
        <source>3DPoints</source>
        <translation>3D点</translation>
    </message>
    <message>
        <source>Delete Last</source>
        <translation>最後を削除</translation>
    </message>
    <message>
        <source>Delete ALL</source>
        <translation>すべて削除</translation>
    </message>
    <message>
        <source>Measure Length</source>
        <translation>距離を計測</translation>
    </message>
    <message>
        <source>Measure Angle</source>
        <translation>角度を計測</translation>
    </message>
</context>
<context>
    <name>MeasureForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>名前:</translation>
    </message>
    <message>
        <source>Visibility:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>種類:</translation>
    </message>
    <message>
        <source>Points:</source>
        <translation>点:</translation>
    </message>
</context>
<context>
    <name>MeasureManagerForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Charactor</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>Font Size:</source>
        <translation>フォントサイズ:</translation>
    </message>
    <message>
        <source>Precision:</source>
        <translation>精度:</translation>
    </message>
    <message>
        <source>Text Color:</source>
        <translation>文字の色:</translation>
    </message>
    <message>
        <source>Label Mode:</source>
        <translation>ラベル表示:</translation>
    </message>
    <message>
        <source>Line And Arrow</source>
        <translation>線と矢印</translation>
    </message>
    <message>
        <source>Line Width:</source>
        <translation>線幅:</translation>
    </message>
    <message>
        <source>Line Color:</source>
        <translation>線の色:</translation>
    </message>
    <message>
        <source>Arrow Length:</source>
        <translation>矢印の長さ:</translation>
    </message>
    <message>
        <source>Arrow Argument:</source>
        <translation>矢印の角度:</translation>
    </message>
    <message>
        <source>Arc Radius:</source>
        <translation>円弧の半径:</translation>
    </message>
</context>
<context>
    <name>MouseSettingDialog</name>
    <message>
        <source>Mouse Setting</source>
        <translation>マウス設定</translation>
    </message>
    <message>
        <source>Translation:</source>
        <translation>移動:</translation>
    </message>
    <message>
        <source>Length/Pixel</source>
        <translation>長さ/ピクセル</translation>
    </message>
    <message>
        <source>Rotation:</source>
        <translation>回転:</translation>
    </message>
    <message>
        <source>Degree/Pixel</source>
        <translation>度/ピクセル</translation>
    </message>
</context>
<context>
    <name>ObjectBrowseDialog</name>
    <message>
        <source>Object Browse</source>
        <translation>オブジェクト一覧</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>種類</translation>
    </message>
    <message>
        <source>Fit View</source>
        <translation>ビューをフィット</translation>
    </message>
    <message>
        <source>Fit View to selected objects.</source>
        <translation>選択したオブジェクトにビューを合わせます。</translation>
    </message>
    <message>
        <source>Delete Selected Objects</source>
        <translation>選択オブジェクトを削除</translation>
    </message>
    <message>
        <source>Delete selected objects.</source>
        <translation>選択したオブジェクトを削除します。</translation>
    </message>
</context>
<context>
    <name>ObjectPropertyDialog</name>
    <message>
        <source>Object Property</source>
        <translation>オブジェクトプロパティ</translation>
    </message>
</context>
<context>
    <name>ObjectTransformationDialog</name>
    <message>
        <source>Object Transformation</source>
        <translation>オブジェクト変換</translation>
    </message>
    <message>
        <source>Translation</source>
        <translation>移動</translation>
    </message>
    <message>
        <source>Distance</source>
        <translation>距離</translation>
    </message>
    <message>
        <source>+ X</source>
        <translation>+ X</translation>
    </message>
    <message>
        <source>+ Y</source>
        <translation>+ Y</translation>
    </message>
    <message>
        <source>+ Z</source>
        <translation>+ Z</translation>
    </message>
    <message>
        <source>- X</source>
        <translation>- X</translation>
    </message>
    <message>
        <source>- Y</source>
        <translation>- Y</translation>
    </message>
    <message>
        <source>- Z</source>
        <translation>- Z</translation>
    </message>
    <message>
        <source>Set to Origin</source>
        <translation>原点に設定</translation>
    </message>
    <message>
        <source>Set to Reference Point</source>
        <translation>参照点に設定</translation>
    </message>
    <message>
        <source>Rotation</source>
        <translation>回転</translation>
    </message>
    <message>
        <source>Degree</source>
        <translation>角度</translation>
    </message>
    <message>
        <source>Initialize Attitude</source>
        <translation>姿勢を初期化</translation>
    </message>
</context>
<context>
    <name>PointCloudEditDialog</name>
    <message>
        <source>PointCloud Edit</source>
        <translation>点群編集</translation>
    </message>
    <message>
        <source>Shot:</source>
        <translation>ショット:</translation>
    </message>
    <message>
        <source>PointCloud:</source>
        <translation>点群:</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>編集...</translation>
    </message>
    <message>
        <source>Cannot start the program: </source>
        <translation>プログラムを起動できません: </translation>
    </message>
    <message>
        <source>The program ended abnormally: </source>
        <translation>プログラムが異常終了しました: </translation>
    </message>
    <message>
        <source>Only shots of octree point files (.zrpcd) can be edited: </source>
        <translation>編集できるのは八分木点群ファイル (.zrpcd) のショットだけです: </translation>
    </message>
</context>
<context>
    <name>PointCloudForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>名前:</translation>
    </message>
    <message>
        <source>Rename..</source>
        <translation>名前の変更..</translation>
    </message>
    <message>
        <source>Visibility:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Color:</source>
        <translation>色:</translation>
    </message>
    <message>
        <source>Position:</source>
        <translation>位置:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Attitude:</source>
        <translation>姿勢:</translation>
    </message>
    <message>
        <source>Point Cloud:</source>
        <translation>点群:</translation>
    </message>
    <message>
        <source>Point Number:</source>
        <translation>点数:</translation>
    </message>
</context>
<context>
    <name>PointCloudManager</name>
    <message>
        <source>Point Color</source>
        <translation>点の色</translation>
    </message>
    <message>
        <source>Shot Color</source>
        <translation>ショット色</translation>
    </message>
    <message>
        <source>Group Color</source>
        <translation>グループ色</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>反射強度</translation>
    </message>
    <message>
        <source>X Level</source>
        <translation>X レベル</translation>
    </message>
    <message>
        <source>Y Level</source>
        <translation>Y レベル</translation>
    </message>
    <message>
        <source>Z Level</source>
        <translation>Z レベル</translation>
    </message>
    <message>
        <source>Cannot open file for writting: </source>
        <translation>ファイルを書き込み用に開けません: </translation>
    </message>
    <message>
        <source>Cannot open file for reading: </source>
        <translation>ファイルを読み込み用に開けません: </translation>
    </message>
    <message>
        <source>File Header Error.</source>
        <translation>ファイルヘッダーが不正です。</translation>
    </message>
</context>
<context>
    <name>PointCloudManagerForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Shot Number:</source>
        <translation>ショット数:</translation>
    </message>
    <message>
        <source>Point Number:</source>
        <translation>点数:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>点</translation>
    </message>
    <message>
        <source>Point Size:</source>
        <translation>点サイズ:</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>モード:</translation>
    </message>
    <message>
        <source>Max:</source>
        <translation>最大:</translation>
    </message>
    <message>
        <source>Min:</source>
        <translation>最小:</translation>
    </message>
    <message>
        <source>Original Color</source>
        <translation>元の色</translation>
    </message>
    <message>
        <source>Distance Contour (from view-point)</source>
        <translation>距離段彩（視点から）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Local X)</source>
        <translation>座標段彩（ローカル X）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Local Y)</source>
        <translation>座標段彩（ローカル Y）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Local Z)</source>
        <translation>座標段彩（ローカル Z）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Global X)</source>
        <translation>座標段彩（グローバル X）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Global Y)</source>
        <translation>座標段彩（グローバル Y）</translation>
    </message>
    <message>
        <source>Coordinate Contour (Global Z)</source>
        <translation>座標段彩（グローバル Z）</translation>
    </message>
    <message>
        <source>Shot Color</source>
        <translation>ショット色</translation>
    </message>
</context>
<context>
    <name>PolygonForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>名前:</translation>
    </message>
    <message>
        <source>Rename..</source>
        <translation>名前の変更..</translation>
    </message>
    <message>
        <source>Visibility:</source>
        <translation>表示:</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Position:</source>
        <translation>位置:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>Attitude:</source>
        <translation>姿勢:</translation>
    </message>
</context>
<context>
    <name>PolygonManagerForm</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
    <message>
        <source>Point</source>
        <translation>点</translation>
    </message>
    <message>
        <source>Visible</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Point Size:</source>
        <translation>点サイズ:</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>モード:</translation>
    </message>
    <message>
        <source>Max:</source>
        <translation>最大:</translation>
    </message>
    <message>
        <source>Min:</source>
        <translation>最小:</translation>
    </message>
    <message>
        <source>Polygon</source>
        <translation>ポリゴン</translation>
    </message>
    <message>
        <source>Polygon Edge</source>
        <translation>ポリゴンの辺</translation>
    </message>
    <message>
        <source>Color:</source>
        <translation>色:</translation>
    </message>
</context>
<context>
    <name>ProjectCreationDialog</name>
    <message>
        <source>Project Creation</source>
        <translation>プロジェクト作成</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>名前:</translation>
    </message>
    <message>
        <source>Folder:</source>
        <translation>フォルダー:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>参照...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>RenameDialog</name>
    <message>
        <source>Rename</source>
        <translation>名前の変更</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>テキストラベル</translation>
    </message>
    <message>
        <source>Named already...</source>
        <translation>既に使われている名前です...</translation>
    </message>
    <message>
        <source>Empty...</source>
        <translation>空欄です...</translation>
    </message>
    <message>
        <source>OK.</source>
        <translation>OK。</translation>
    </message>
</context>
<context>
    <name>RenderingTarget</name>
    <message>
        <source>Cannot open file for writting: </source>
        <translation>ファイルを書き込み用に開けません: </translation>
    </message>
    <message>
        <source>Cannot open file for reading: </source>
        <translation>ファイルを読み込み用に開けません: </translation>
    </message>
    <message>
        <source>File Header Error.</source>
        <translation>ファイルヘッダーが不正です。</translation>
    </message>
</context>
<context>
    <name>SceneDialog</name>
    <message>
        <source>Scene</source>
        <translation>シーン</translation>
    </message>
    <message>
        <source>Rendering Target</source>
        <translation>描画対象</translation>
    </message>
    <message>
        <source>Rotation Center</source>
        <translation>回転中心</translation>
    </message>
    <message>
        <source>Origin</source>
        <translation>原点</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>モード:</translation>
    </message>
    <message>
        <source>Color1:</source>
        <translation>色1:</translation>
    </message>
    <message>
        <source>Color2:</source>
        <translation>色2:</translation>
    </message>
    <message>
        <source>Point Cloud</source>
        <translation>点群</translation>
    </message>
</context>
</TS>
