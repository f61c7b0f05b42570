<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainWindow</name>
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
        <source>PointCloud</source>
        <translation>点群</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Create New Project...</source>
        <translation>新規プロジェクト作成...</translation>
    </message>
    <message>
        <source>Open Project...</source>
        <translation>プロジェクトを開く...</translation>
    </message>
    <message>
        <source>Save Project</source>
        <translation>プロジェクトを保存</translation>
    </message>
    <message>
        <source>Import PointCloud...</source>
        <translation>点群をインポート...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Scene Structure...</source>
        <translation>シーン構造...</translation>
    </message>
    <message>
        <source>Object Property...</source>
        <translation>オブジェクトプロパティ...</translation>
    </message>
    <message>
        <source>Scene Rendering...</source>
        <translation>シーン描画...</translation>
    </message>
    <message>
        <source>Mouse Setting...</source>
        <translation>マウス設定...</translation>
    </message>
    <message>
        <source>Camera Setting...</source>
        <translation>カメラ設定...</translation>
    </message>
    <message>
        <source>CameraPath...</source>
        <translation>カメラパス...</translation>
    </message>
    <message>
        <source>Edit PointCloud...</source>
        <translation>点群を編集...</translation>
    </message>
    <message>
        <source>Best Fit...</source>
        <translation>ベストフィット...</translation>
    </message>
    <message>
        <source>Set Shot Color (Automatic)</source>
        <translation>ショット色を自動設定</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>バージョン情報...</translation>
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
        <source>Camera</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>No Project...</source>
        <translation>プロジェクトなし...</translation>
    </message>
</context>
</TS>
