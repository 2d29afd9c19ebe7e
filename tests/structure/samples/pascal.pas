unit Shapes;

interface

type
  TPoint = record
    X, Y: Integer;
  end;

  TShape = class(TObject)
  public
    constructor Create;
    function Area: Double; virtual;
  end;

  TForward = class;

procedure Draw(S: TShape);

implementation

constructor TShape.Create;
begin
  inherited Create;
end;

function TShape.Area: Double;
begin
  Result := 0;
end;

PROCEDURE Draw(S: TShape);
begin
end;

end.
