export default class LumenfallExtension extends Extension {
    enable() {
        this._lumenfall = new Lumenfall();
        this._lumenfall.enable();
    }

    disable() {
        this._lumenfall?.disable();
        this._lumenfall = null;
    }
}
